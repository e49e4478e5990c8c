#pragma once
// The headless front end's side of a search: what the window would show is
// printed on the console. Messages and alerts go to standard error, listed
// files and the summary to standard output, the live progress line to the
// terminal (standard error) only when it is one.

#include "engine/EngineHost.h"
#include "engine/RunState.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTextStream>

#include <mutex>

class ConsoleHost : public EngineHost {
public:
    ConsoleHost(const SearchSettings& settings, RunState& state, bool quiet, bool progressLine);

    SearchSettings readSearchSettings() override { return settings_; }
    void beginPass(int mode, bool general, const QString& modeLabel) override;
    void showProgress(const ProgressSnapshot& progress) override;
    void passRunning(const QString& helpText) override;
    void listFile(int mode, const QString& path, const QString& imageName, const QString& imageUid,
                  const QString& type, quint64 typeCount) override;
    void showClearNotice(const QString& notice) override;
    void clearFileList(int mode) override;
    void showMessageBox(const QString& text) override;
    void requestFinalScreen(const ostrel::RunOutcome& outcome) override;
    void wizardStepBack(int mode) override;
    // Writes nothing: the alert that follows says what failed and what to
    // do; the bare errno line the window prints would only come before it.
    void logDeviceOpenFailure(int) override {}
    void showPermissionAlert(int err) override;
    void showGenericErrorAlert(int err) override;
    void progressTick(const ProgressSnapshot& progress) override;

    struct TypeTotals {
        quint64 files = 0;
        quint64 bytes = 0;
    };
    // Per type, over the whole run.
    QMap<QString, TypeTotals> totals() const;
    bool deviceOpenFailed() const { return openError_ != 0; }
    int openError() const { return openError_; }
    bool finalScreenRequested() const { return finalRequested_; }
    quint64 filesFound() const;

    // Prints the end-of-run summary (per type: files and bytes; where the
    // results are) followed by `endLines`.
    void printSummary(const QString& resultsFolder, const QStringList& endLines);

private:
    void clearProgressLine();
    void drawProgressLine(const ProgressSnapshot& progress);

    SearchSettings settings_;
    RunState& state_;
    const bool quiet_;
    const bool progressLine_;
    mutable std::mutex mutex_;
    QTextStream out_;
    QTextStream err_;
    QMap<QString, TypeTotals> totals_;
    quint64 filesFound_ = 0;
    bool lineShown_ = false;
    bool retryShown_ = false; // the pass has said that it retries skipped sectors
    QElapsedTimer passClock_;
    int openError_ = 0;
    bool finalRequested_ = false;
};
