#pragma once
// Shared material of the window tests: a dialog stand-in that records every
// alert and modal window and answers from a script, a media platform that
// reports made-up volumes, a builder for small disk images with real file
// headers at sector starts, a harness that builds the real window on them,
// and a driver that clicks through the wizard by the widgets' object names.
// Everything runs on the offscreen platform; nothing needs root.

#include "ui/MyTableController.h"
#include "engine/SectorSource.h"
#include "media/MediaPlatform.h"
#include "ui/PreviewMedia.h"
#include "ui/WindowDialogs.h"
#include "wizard/WizardFlow.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariantMap>
#include <QAbstractButton>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

class QDialog;

// Records every conversation of the window; answers alerts with `answer`
// (default: the first button) and ends every modal window with code 1.
// Main thread only, like the window.
class ScriptedDialogs : public WindowDialogs {
public:
    QList<AlertText> alerts;
    QStringList modalWindows;   // object names of the windows run modally
    QList<QUrl> opened;
    QString folderAnswer;       // what the folder chooser returns
    std::function<int(const AlertText&)> answer;
    std::function<void(QDialog*)> onModal;

    int runAlert(QWidget* parent, const AlertText& alert) override;
    int runModal(QDialog* window) override;
    QString chooseFolder(QWidget* parent, const QString& startFolder) override;
    bool openLocation(const QUrl& location) override;

    // The main texts of the alerts shown so far, in order.
    QStringList messages() const;
    int countModal(const QString& objectName) const { return static_cast<int>(modalWindows.count(objectName)); }
};

// Reports the given volumes as mounted removable media, in order.
class FakeMediaPlatform : public MediaPlatform {
public:
    explicit FakeMediaPlatform(QList<QVariantMap> volumes) : volumes_(std::move(volumes)) {}
    QStringList mountedRemovableMedia() override;
    QStringList mountedLocalVolumePaths() override { return mountedRemovableMedia(); }
    QVariantMap diskInfo(const QString& mountPath) override;
    QList<QVariantMap> unmountedDeviceInfos(bool) override { return {}; }

private:
    QList<QVariantMap> volumes_;
};

// The information dictionary of a made-up volume.
QVariantMap fakeVolume(const QString& identifier, const QString& name, quint64 bytes,
                       const QString& parent = QString());

// A disk image of whole 512-byte sectors, zero-filled.
class DiskImage {
public:
    DiskImage(const QString& path, quint64 sectors);
    // Writes `bytes` from the start of `sector` on.
    void put(quint64 sector, const QByteArray& bytes);
    QString path() const { return path_; }

private:
    QString path_;
};

QByteArray jpegBytes(int width, int height, const QColor& colour);
QByteArray pngBytes(int width, int height, const QColor& colour);
QByteArray pdfBytes();
// A JPEG header followed by bytes no decoder accepts.
QByteArray brokenJpegBytes();
QByteArray zipBytes();

// Reads slowly: `microsPerSector` per sector asked for.
class SlowSource : public ostrel::SectorSource {
public:
    SlowSource(std::unique_ptr<ostrel::SectorSource> inner, int microsPerSector)
        : inner_(std::move(inner)), micros_(microsPerSector)
    {
    }
    quint32 read(quint64 first, quint32 count, unsigned char* buffer, int* error) override;

private:
    std::unique_ptr<ostrel::SectorSource> inner_;
    int micros_;
};

// Answers "playable" for the files whose extension (any case) is listed,
// from the event loop; with `hold` set the answer waits for release().
class ScriptedPreviewMedia : public PreviewMedia {
    Q_OBJECT
public:
    QStringList playableExtensions{QStringLiteral("mp4"), QStringLiteral("mov"), QStringLiteral("mp3")};
    QStringList openedPaths; // every open(), in order
    int plays = 0;
    int closes = 0;
    bool hold = false;

    void open(const QString& path) override;
    void play() override { ++plays; }
    void close() override { ++closes; }
    // Sends the answer held back for the last open().
    void release();

private:
    QString pending_;
};

struct HarnessConfig {
    QString bundleName = QStringLiteral("Ostrel Removable Media Recovery"); // all four modes
    QString resourceDir;                 // empty: the shipped resources
    QList<QVariantMap> volumes;          // media the fake platform lists
    QList<SampleMedium> samples;         // disk images listed after them
    ostrel::EngineOptions engineOptions; // clearPause 0 by default (set in makeHarness)
    // Decides "destination on the medium"; empty: the real check.
    std::function<bool(const QString&, const QString&, const QString&, const QString&)> destinationOnMedium;
    // The movie half of the preview; empty: a ScriptedPreviewMedia.
    std::function<PreviewMedia*(QVideoWidget*, QObject*)> previewMedia;
};

struct Harness {
    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
    std::unique_ptr<MyTableController> controller;
    std::atomic<int> terminated{0};
    std::atomic<int> relaunches{0};
    ScriptedPreviewMedia* media = nullptr; // the scripted movie half, when used

    MyTableController& c() { return *controller; }
};

// Builds and sets up the window; returns once its media list is filled.
std::unique_ptr<Harness> makeHarness(HarnessConfig config = HarnessConfig());

// Selects row `row` of the media table as a user click would.
void selectMediaRow(MyTableController& controller, int row);

// Finds the window's widget by its object name (the outlet names of the
// layout); a missing one ends the test program, naming it.
QWidget* widgetNamed(MyTableController& controller, const char* name);
template <class T>
T* widget(MyTableController& controller, const char* name)
{
    T* w = qobject_cast<T*>(widgetNamed(controller, name));
    if (!w)
        qFatal("the widget %s is not of the type asked for", name);
    return w;
}

// Clicks through the wizard as a user would and reads where it stands.
class WizardDriver {
public:
    explicit WizardDriver(MyTableController& c) : c_(c) {}
    void next() { click("_next_btn"); }
    void back() { click("_back_btn"); }
    void click(const char* button);
    wizard::Screen screen() const { return wizard::screenOf(c_.screenCounter(), Recovery_MODE); }
    // Clicks the mode's radio (0 photo .. 3 audio).
    void chooseMode(int mode);
    // Medium `row` chosen and Next: the settings screen of the current mode.
    void toSettings(int row = 0);
    // The browse button of the current mode's settings (the scripted
    // chooser answers).
    void browse() { click(Recovery_MODE == 0 ? "_browse_path" : "_browse_path_Sig"); }
    bool visible(const char* name) const { return widgetNamed(c_, name)->isVisible(); }
    bool enabled(const char* name) const { return widgetNamed(c_, name)->isEnabled(); }
    QString text(const char* name) const; // a label's or a field's text

private:
    MyTableController& c_;
};

// Writes a signature file: entries of (extension value, header hex,
// description); the size limit is 1 MiB, the position 1.
void writeSignatureFile(const QString& path, const QList<QStringList>& entries);
