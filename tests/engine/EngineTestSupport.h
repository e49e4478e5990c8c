#pragma once
// Shared pieces of the engine tests: a host that records what the engine
// asks of the front end, signature table builders and the carving fixture
// (images and files: common/TestFiles.h).

#include "common/QtPrinters.h"
#include "common/TestFiles.h"
#include "engine/CarveEngine.h"
#include "engine/EngineHost.h"
#include "engine/FileNaming.h"
#include "engine/RunState.h"
#include "engine/SearchRun.h"
#include "signatures/SignatureLoader.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

#include <functional>
#include <mutex>
#include <vector>

struct ListedFile {
    int mode;
    QString path;
    QString name;
    QString uid;
    QString type;
    quint64 typeCount;
};

class RecordingHost : public EngineHost {
public:
    explicit RecordingHost(RunState& state) : state_(state) {}

    SearchSettings settings;
    // Called after each listing, on the worker thread (e.g. to press Stop).
    std::function<void(const ListedFile&)> onList;

    SearchSettings readSearchSettings() override { return settings; }
    void beginPass(int, bool general, const QString& label) override
    {
        note(QStringLiteral("beginPass:") + (general ? "GEN:" : "THD:") + label);
    }
    void showProgress(const ProgressSnapshot&) override {}
    void passRunning(const QString& help) override { note(QStringLiteral("running:") + help); }
    void listFile(int mode, const QString& path, const QString& name, const QString& uid, const QString& type,
                  quint64 typeCount) override
    {
        ListedFile f{mode, path, name, uid, type, typeCount};
        {
            std::lock_guard<std::mutex> l(m_);
            listed.push_back(f);
        }
        note(QStringLiteral("list:") + name);
        ++state_.Listed_File_Count;
        if (onList)
            onList(f);
    }
    void showClearNotice(const QString& notice) override { note(QStringLiteral("notice:") + notice); }
    void clearFileList(int) override { note(QStringLiteral("clear")); }
    void showMessageBox(const QString& text) override
    {
        {
            std::lock_guard<std::mutex> l(m_);
            messages.push_back(text);
        }
        note(QStringLiteral("message:") + text);
    }
    void requestFinalScreen(const ostrel::RunOutcome& outcome) override
    {
        {
            std::lock_guard<std::mutex> l(m_);
            ++finalScreens;
            lastOutcome = outcome;
        }
        note(QStringLiteral("final"));
    }
    void wizardStepBack(int) override { note(QStringLiteral("stepBack")); }
    void logDeviceOpenFailure(int) override {}
    void showPermissionAlert(int err) override { note(QStringLiteral("permissionAlert:%1").arg(err)); }
    void showGenericErrorAlert(int err) override { note(QStringLiteral("genericAlert:%1").arg(err)); }
    void progressTick(const ProgressSnapshot&) override { ++ticks; }

    // The listing events (files listed, clearing notices, clears) in order.
    QStringList listingEvents() const
    {
        QStringList seen;
        for (const QString& e : events) {
            if (e.startsWith("list:") || e.startsWith("notice:") || e == "clear")
                seen << e;
        }
        return seen;
    }

    std::vector<ListedFile> listed;
    QStringList messages;
    QStringList events;
    int finalScreens = 0;
    ostrel::RunOutcome lastOutcome;
    std::atomic<int> ticks{0};

private:
    void note(const QString& event)
    {
        std::lock_guard<std::mutex> l(m_);
        events.push_back(event);
    }
    RunState& state_;
    std::mutex m_;
};

// One signature entry as a file's six lines.
inline QString sigEntry(const QString& ext, quint64 maxSize, const QString& header, const QString& position)
{
    return QStringLiteral("Extension : .%1\nMax Size : %2\nHeader : %3\nPosition : %4\nReserved : 0\nDescription : %1 file\n")
        .arg(ext)
        .arg(maxSize)
        .arg(header, position);
}

inline QStringList table(const QString& text)
{
    return parseSignatureText(text);
}

using namespace ostrel;

inline const QString kResults = QStringLiteral("Test Results");

// One carving pass at a time on an in-memory image, into a fresh folder.
class CarveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dest.isValid());
        host.settings.sourcePath = QStringLiteral("memory");
        host.settings.destination = dest.path();
        options.clearPause = std::chrono::milliseconds(0);
        options.reader = {8, 3}; // small chunks: boundaries get crossed
        // The carving mechanics on their own: no format is walked here.
        options.walkerFor = [](const QString&) { return std::unique_ptr<walkers::FormatWalker>(); };
    }

    void useImage(const Image& image, std::set<quint64> failing = {})
    {
        const QByteArray bytes = image.bytes;
        host.settings.sectorCount = static_cast<quint64>(bytes.size() / 512);
        options.openSource = [bytes, failing](const QString&, int*) -> std::unique_ptr<SectorSource> {
            auto mem = std::make_unique<MemorySectorSource>(bytes);
            if (failing.empty())
                return mem;
            return std::make_unique<FaultInjectingSource>(std::move(mem), failing);
        };
    }

    bool pass(int mode, const QStringList& general, bool thorough = false, const QStringList& adv = {})
    {
        RunSetup setup{mode, general, adv, kResults};
        summary.reset(QStringList() << "A" << "B" << "C" << "MP4" << "ZIP" << "DOCX" << "XLSX");
        CarveEngine engine(host, state, setup, options, mode == 0 ? nullptr : &summary, nullptr);
        const QString name = thorough ? QStringLiteral("THD") : QStringLiteral("GEN");
        return mode == 0 ? engine.Photo_Recovey_Mode(name) : engine.Raw_File_Recovey_Mode(name);
    }

    // A whole run (worker body on this thread) and how it ended.
    RunOutcome run(int mode, const QStringList& general, const QStringList& adv = {})
    {
        SearchRun r(host, state, RunSetup{mode, general, adv, kResults}, options);
        r.runWorker();
        return r.outcome();
    }

    QString passRoot(int mode, bool thorough = false) const
    {
        return dest.filePath(kResults + u'/' + modeFolderName(mode) + u'/' + passFolderName(thorough));
    }

    QTemporaryDir dest;
    RunState state;
    RecordingHost host{state};
    EngineOptions options;
    TypeSummary summary;
};

