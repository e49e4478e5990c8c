// The file-type check list of the video, raw-file and audio modes, and the
// step that turns its ticks into the filtered signature tables a search uses
// and the per-type summary rows. Main thread only.

#include "ui/MyTableController.h"

#include "signatures/SignatureTable.h"
#include "ui/TableModels.h"
#include "ui_MainWindow.h"

#include <algorithm>

namespace {
const QString kExtension = QStringLiteral("Extension");
const QString kDescription = QStringLiteral("Description");
const QString kThoro = QStringLiteral("Thoro");
const QString kState = QStringLiteral("State");

// Removes every entry (seven texts) whose extension is `extension`. After a
// removal the same position is tested again, so neighbours go too.
void removeEntries(QStringList& table, const QString& extension)
{
    qsizetype k = 0;
    while ((k + 1) * sig::Stride <= table.size()) {
        if (table.at(k * sig::Stride + sig::Extension) == extension)
            table.remove(k * sig::Stride, sig::Stride);
        else
            ++k;
    }
}
} // namespace

void MyTableController::createExtensionListTableRecord(const QString& extension, bool state,
                                                       const QString& description, const QString& thoro)
{
    checkListModel_->appendRow({{kExtension, extension},
                                {kState, state ? 1 : 0},
                                {kDescription, description},
                                {kThoro, thoro}});
}

void MyTableController::buildExtensionList()
{
    checkListModel_->clear();
    const QStringList& general = tables.table(Recovery_MODE, false);
    const QStringList& thorough = tables.table(Recovery_MODE, true);
    auto listed = [this](const QString& extension) {
        const QList<QVariantMap>& rows = checkListModel_->rows();
        return std::any_of(rows.begin(), rows.end(),
                           [&](const QVariantMap& r) { return r.value(kExtension).toString() == extension; });
    };
    bulkCheckChange_ = true;
    for (qsizetype k = 0; k < sig::entryCount(general); ++k) {
        const QString& ext = sig::field(general, k, sig::Extension);
        if (!listed(ext))
            createExtensionListTableRecord(ext, true, sig::field(general, k, sig::Description), QString());
    }
    for (qsizetype k = 0; k < sig::entryCount(thorough); ++k) {
        const QString& ext = sig::field(thorough, k, sig::Extension);
        if (!listed(ext))
            createExtensionListTableRecord(ext, true, sig::field(thorough, k, sig::Description),
                                           QStringLiteral("YES"));
    }
    bulkCheckChange_ = false;
    sortExtensionList();
}

void MyTableController::sortExtensionList()
{
    QList<QVariantMap> rows = checkListModel_->rows();
    std::stable_sort(rows.begin(), rows.end(), [](const QVariantMap& a, const QVariantMap& b) {
        return a.value(kExtension).toString().compare(b.value(kExtension).toString(), Qt::CaseInsensitive) < 0;
    });
    checkListModel_->setRows(std::move(rows));
}

void MyTableController::Select_Unselect_Check_btn()
{
    const bool checked = ui->_select_unselect_Chk->isChecked();
    // Every row is made again, in its place, with the new state.
    const QList<QVariantMap> rows = checkListModel_->rows();
    bulkCheckChange_ = true;
    checkListModel_->clear();
    for (const QVariantMap& r : rows)
        createExtensionListTableRecord(r.value(kExtension).toString(), checked, r.value(kDescription).toString(),
                                       r.value(kThoro).toString());
    bulkCheckChange_ = false;
}

void MyTableController::clickTable(const QModelIndex& index)
{
    if (index.model() != checkListModel_ || checkListModel_->columnKey(index.column()) != kState)
        return;
    const QList<QVariantMap>& rows = checkListModel_->rows();
    const bool anyUnchecked =
        std::any_of(rows.begin(), rows.end(), [](const QVariantMap& r) { return r.value(kState).toInt() == 0; });
    ui->_select_unselect_Chk->setChecked(!anyUnchecked);
}

void MyTableController::Thro_Mode_Chk_SIG_Btn()
{
    // The search reads the box when its general pass ends; nothing to do here.
}

bool MyTableController::Check_For_One_Extension_Selection() const
{
    const QList<QVariantMap>& rows = checkListModel_->rows();
    return std::any_of(rows.begin(), rows.end(), [](const QVariantMap& r) { return r.value(kState).toInt() == 1; });
}

void MyTableController::createSignatureListTableRecord(const QString& fileTypes, quint64 noOfFile,
                                                       const QString& fileName, const QString& filePath,
                                                       const QString& fileTypesHidden)
{
    summaryModel_->appendRow({{QStringLiteral("FileTypes"), fileTypes},
                              {QStringLiteral("NoOfFile"), QString::number(noOfFile)},
                              {QStringLiteral("FileName"), fileName},
                              {QStringLiteral("FilePath"), filePath},
                              {QStringLiteral("FileTypes_Hidden"), fileTypesHidden}});
}

void MyTableController::applyExtensionSelection()
{
    CheckListHeader_Adv_Array.clear();
    CheckListHeader_Array.clear();
    summaryModel_->clear();
    CheckListHeader_Array = tables.table(Recovery_MODE, false);
    CheckListHeader_Adv_Array = tables.table(Recovery_MODE, true);
    for (const QVariantMap& row : checkListModel_->rows()) {
        const QString ext = row.value(kExtension).toString();
        if (row.value(kState).toInt() != 0) {
            createSignatureListTableRecord(ext, 0, QString(), QString(), ext);
        } else {
            removeEntries(CheckListHeader_Array, ext);
            removeEntries(CheckListHeader_Adv_Array, ext);
        }
    }
}
