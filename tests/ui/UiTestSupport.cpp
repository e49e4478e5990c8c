#include "UiTestSupport.h"

#include <QFileInfo>
#include <QTimer>

#include "ui/ControlPanelWindow.h"
#include "ui/TableModels.h"

#include <QBuffer>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QAbstractButton>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <chrono>
#include <thread>

int ScriptedDialogs::runAlert(QWidget*, const AlertText& alert)
{
    alerts << alert;
    return answer ? answer(alert) : 0;
}

int ScriptedDialogs::runModal(QDialog* window)
{
    modalWindows << window->objectName();
    window->setResult(0);
    if (onModal)
        onModal(window); // may end it with a code of its own (done())
    return window->result() > 1 ? window->result() : 1;
}

QString ScriptedDialogs::chooseFolder(QWidget*, const QString&)
{
    return folderAnswer;
}

bool ScriptedDialogs::openLocation(const QUrl& location)
{
    opened << location;
    return true;
}

QStringList ScriptedDialogs::messages() const
{
    QStringList list;
    for (const AlertText& a : alerts)
        list << a.message;
    return list;
}

QStringList FakeMediaPlatform::mountedRemovableMedia()
{
    QStringList paths;
    for (int i = 0; i < volumes_.size(); ++i)
        paths << QStringLiteral("/media/test/volume%1").arg(i);
    return paths;
}

QVariantMap FakeMediaPlatform::diskInfo(const QString& mountPath)
{
    const int i = mountPath.mid(mountPath.lastIndexOf(QLatin1String("volume")) + 6).toInt();
    return i >= 0 && i < volumes_.size() ? volumes_.at(i) : QVariantMap();
}

QVariantMap fakeVolume(const QString& identifier, const QString& name, quint64 bytes, const QString& parent)
{
    return {{QStringLiteral("DeviceIdentifier"), identifier},
            {QStringLiteral("VolumeName"), name},
            {QStringLiteral("FilesystemUserVisibleName"), QStringLiteral("FAT32")},
            {QStringLiteral("ParentWholeDisk"), parent.isEmpty() ? identifier.left(3) : parent},
            {QStringLiteral("IOKitSize"), QVariant::fromValue<qulonglong>(bytes)},
            {QStringLiteral("BusProtocol"), QStringLiteral("USB")},
            {QStringLiteral("Removable"), true}};
}

DiskImage::DiskImage(const QString& path, quint64 sectors) : path_(path)
{
    QFile f(path_);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.resize(static_cast<qint64>(sectors * 512));
}

void DiskImage::put(quint64 sector, const QByteArray& bytes)
{
    QFile f(path_);
    if (!f.open(QIODevice::ReadWrite))
        return;
    f.seek(static_cast<qint64>(sector * 512));
    f.write(bytes);
}

namespace {
QByteArray encoded(int w, int h, const QColor& colour, const char* format)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    for (int y = 0; y < h; y += 4)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, colour.darker(130));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}
} // namespace

QByteArray jpegBytes(int width, int height, const QColor& colour)
{
    return encoded(width, height, colour, "JPG");
}

QByteArray pngBytes(int width, int height, const QColor& colour)
{
    return encoded(width, height, colour, "PNG");
}

QByteArray pdfBytes()
{
    return QByteArrayLiteral("%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n");
}

QByteArray brokenJpegBytes()
{
    // A whole JFIF header, then garbage where the next marker should be: a
    // JPEG by its header that no decoder can show.
    QByteArray b = QByteArray::fromHex("FFD8FFE000104A46494600010100000100010000FF");
    for (int i = 0; i < 3000; ++i)
        b.append(static_cast<char>((i * 37 + 11) % 251));
    return b;
}

QByteArray zipBytes()
{
    // One stored entry "a.txt" holding "hello", as python's zipfile writes it.
    return QByteArray::fromHex("504b03041400000000000000215086a61036050000000500000005000000612e74787468656c6c6f504b"
                               "010214031400000000000000215086a610360500000005000000050000000000000000000000800100"
                               "000000612e747874504b0506000000000100010033000000280000000000");
}

quint32 SlowSource::read(quint64 first, quint32 count, unsigned char* buffer, int* error)
{
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<qint64>(micros_) * count));
    return inner_->read(first, count, buffer, error);
}

std::unique_ptr<Harness> makeHarness(HarnessConfig config)
{
    auto h = std::make_unique<Harness>();
    MyTableController::Options options;
    options.bundleName = config.bundleName;
    options.resourceDir = config.resourceDir.isEmpty() ? QStringLiteral(OSTREL_RESOURCE_DIR) : config.resourceDir;
    const QList<QVariantMap> volumes = config.volumes;
    options.mediaPlatform = [volumes] { return std::make_unique<FakeMediaPlatform>(volumes); };
    options.dialogs = h->dialogs;
    options.engineOptions = config.engineOptions;
    options.sampleMedia = config.samples;
    Harness* raw = h.get();
    options.terminate = [raw] { ++raw->terminated; };
    options.relaunchAsAdministrator = [raw] {
        ++raw->relaunches;
        return true;
    };
    options.destinationOnMedium = config.destinationOnMedium;
    if (config.previewMedia) {
        options.previewMedia = config.previewMedia;
    } else {
        options.previewMedia = [raw](QVideoWidget*, QObject* parent) {
            auto* media = new ScriptedPreviewMedia;
            media->setParent(parent);
            raw->media = media;
            return media;
        };
    }
    h->controller = std::make_unique<MyTableController>(options);
    h->controller->awakeFromNib();
    if (!QTest::qWaitFor([raw] { return !raw->controller->mediaListLoading(); }, 10000))
        qWarning("the media list did not arrive");
    return h;
}

void selectMediaRow(MyTableController& controller, int row)
{
    widget<QTableView>(controller, "idTableView")->selectRow(row);
}

QWidget* widgetNamed(MyTableController& controller, const char* name)
{
    QWidget* w = controller.controlPanel()->findChild<QWidget*>(QString::fromLatin1(name));
    if (!w)
        qFatal("the window has no widget named %s", name);
    return w;
}

void WizardDriver::click(const char* button)
{
    widget<QAbstractButton>(c_, button)->click();
}

void WizardDriver::chooseMode(int mode)
{
    static const char* const radios[] = {"_photo_mode_rd", "_video_mode_rd", "_rawfile_mode_rd", "_audio_mode_rd"};
    click(radios[mode]);
}

void WizardDriver::toSettings(int row)
{
    selectMediaRow(c_, row);
    next();
}

QString WizardDriver::text(const char* name) const
{
    QWidget* w = widgetNamed(c_, name);
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* field = qobject_cast<QLineEdit*>(w))
        return field->text();
    qFatal("the widget %s shows no text", name);
}

void writeSignatureFile(const QString& path, const QList<QStringList>& entries)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QByteArray text = "Test signature table\n\n";
    for (const QStringList& e : entries) {
        text += "Extension : " + e.at(0).toUtf8() + "\n";
        text += "Max Size : 1048576\n";
        text += "Header : " + e.at(1).toUtf8() + "\n";
        text += "Position : 1\n";
        text += "Reserved : 0\n";
        text += "Description : " + e.at(2).toUtf8() + "\n\n";
    }
    f.write(text);
}

void ScriptedPreviewMedia::open(const QString& path)
{
    openedPaths.append(path);
    pending_ = path;
    if (!hold)
        QTimer::singleShot(0, this, [this] { release(); });
}

void ScriptedPreviewMedia::release()
{
    if (pending_.isEmpty())
        return;
    const QString path = std::exchange(pending_, QString());
    emit opened(path, playableExtensions.contains(QFileInfo(path).suffix().toLower()));
}
