// The file-type check list of the video, raw-file and audio modes, and the
// step that turns its ticks into the filtered signature tables a search uses
// and the per-type summary rows. The list and the filtering are the rules of
// signatures/TypeSelection.h, shared with the command line. Main thread only.

#include "ui/MyTableController.h"

#include "signatures/TypeSelection.h"
#include "ui/TableModels.h"
#include "ui_MainWindow.h"

#include <algorithm>

namespace {
const QString kExtension = QStringLiteral("Extension");
const QString kDescription = QStringLiteral("Description");
const QString kThoro = QStringLiteral("Thoro");
const QString kState = QStringLiteral("State");
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
    bulkCheckChange_ = true;
    for (const sig::TypeRow& row : sig::typeList(tables.table(Recovery_MODE, false), tables.table(Recovery_MODE, true)))
        createExtensionListTableRecord(row.extension, true, row.description,
                                       row.thoroughOnly ? QStringLiteral("YES") : QString());
    bulkCheckChange_ = false;
    sortExtensionList();
}

void MyTableController::sortExtensionList()
{
    QList<QVariantMap> rows = checkListModel_->rows();
    std::stable_sort(rows.begin(), rows.end(), [](const QVariantMap& a, const QVariantMap& b) {
        return sig::typeOrderLess(a.value(kExtension).toString(), b.value(kExtension).toString());
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
    summaryModel_->clear();
    QStringList unticked;
    for (const QVariantMap& row : checkListModel_->rows()) {
        const QString ext = row.value(kExtension).toString();
        if (row.value(kState).toInt() != 0)
            createSignatureListTableRecord(ext, 0, QString(), QString(), ext);
        else
            unticked << ext;
    }
    CheckListHeader_Array = sig::dropTypes(tables.table(Recovery_MODE, false), unticked);
    CheckListHeader_Adv_Array = sig::dropTypes(tables.table(Recovery_MODE, true), unticked);
}
