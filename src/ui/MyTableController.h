#pragma once
// The main window controller: exactly one per process, reachable as
// `Main_App_wnd`. It owns the main window (`controlPanel`, built from
// MainWindow.ui), the lists the window shows, the signature tables and their
// filtered copies, and the state of a search. It is a shell over rules kept
// elsewhere: the wizard's order and checks, the listing cap, the preview
// choice and the end-of-run decisions are in wizard/ (no widget), the type
// list in signatures/TypeSelection.h; the engine's requests arrive through
// WindowEngineHost, which hands them to this controller's SearchView half on
// the main thread.
//
// The operations keep the names of the window actions they serve. Their
// bodies are spread over a few files by subject:
//   MyTableController.cpp   initialiser, window set-up, exit, messages
//   MediaListing.cpp        the media table and its listing thread
//   WizardScreens.cpp       screens, Next/Back, mode radios
//   SettingsScreen.cpp      range radios, sliders, fields, destination
//   FileTypeSelection.cpp   the file-type check list
//   SearchWindowHost.cpp    starting, stopping and ending a search; what the
//                           search asks of the window; device alerts
//   ResultsListing.cpp      listing found files, the browsers' gestures
//   FilePreview.cpp         the preview pane and its wait sheet
//   HelpActions.cpp         help, support, about, links and copying
//
// Threads: every member function runs on the main thread.

#include "edition/EditionProfile.h"
#include "engine/CarveEngine.h"
#include "engine/EngineHost.h"
#include "engine/RunState.h"
#include "media/MyDataObject.h"
#include "signatures/SignatureDatabase.h"
#include "ui/SettingsSet.h"
#include "ui/WindowEngineHost.h"
#include "wizard/RangeCheck.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include <sys/types.h>

class AboutWindow;
class Browse_Info;
class ClearPreview_Modeless;
class Help_Support;
class PreviewMedia;
class QScrollBar;
class QVideoWidget;
class ThumbnailCache;
class ControlPanelWindow;
class DictionaryTableModel;
class LoadDiskPanel;
class MediaControls;
class MediaPlatform;
class MediaTableModel;
class MyTableController;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QModelIndex;
class QRadioButton;
class QWidget;
class ResultsModel;
class SaveFile_Info;
class SectorSlider;
class WindowDialogs;
namespace Ui {
class MainWindow;
}

// Globals of the window application.
extern MyTableController* Main_App_wnd;        // the controller, once constructed
extern MyTableController* App_DefaultInstance; // the same object
extern int Recovery_MODE;                      // 0 photo, 1 video, 2 raw file, 3 audio; main thread only
extern QString APP_LONG_NAME;                  // product title of the running edition

// Shows `text` after a line break in a modal alert with one "OK" button, on
// the main thread, and returns once the user has dismissed it. Callable from
// any thread; from the main thread the alert runs at once.
void Show_MessageBox(const QString& text);

// A medium read from a disk image instead of a device: for trying the
// program, for the tests and for the screenshots. It is listed after the
// real media.
struct SampleMedium {
    QString imagePath;  // the image read in place of a device
    QString identifier; // shown as the device; empty: the image's file name
    QString volumeName; // empty: "SAMPLE"
};

class MyTableController : public QObject, private SearchView {
    Q_OBJECT
public:
    struct Options {
        // The name that selects the edition; empty: the program's name.
        QString bundleName;
        // Folder with the signature files and pictures; empty: the one
        // beside the program.
        QString resourceDir;
        // Makes the system half of the media listing; called on the listing
        // thread. Empty: this machine's (LinuxMediaPlatform).
        std::function<std::unique_ptr<MediaPlatform>()> mediaPlatform;
        // Alerts, information windows, folder chooser; empty: DesktopDialogs.
        std::shared_ptr<WindowDialogs> dialogs;
        // Engine settings of every search (listing cap, clearing pause, ...).
        // The listing cap also caps the results browsers.
        ostrel::EngineOptions engineOptions;
        QList<SampleMedium> sampleMedia;
        // Restarts the program with administrator rights (the permission
        // alert's button); true when a privileged copy was started, after
        // which this one ends. Empty: through pkexec.
        std::function<bool()> relaunchAsAdministrator;
        // Ends the application (exit question); empty: QCoreApplication::quit.
        std::function<void()> terminate;
        // True when `destination` lies on the medium; empty: decided from
        // /sys and the mount table (device/DestinationGuard.h).
        std::function<bool(const QString& destination, const QString& identifier, const QString& parentDisk,
                           const QString& sourcePath)>
            destinationOnMedium;
        // Makes the movie half of the preview, playing into `view`; empty:
        // QMediaPlayer (PlayerPreviewMedia).
        std::function<PreviewMedia*(QVideoWidget* view, QObject* parent)> previewMedia;
    };

    // The initialiser: chooses the edition, derives the folder names, creates
    // the support folder and gives the run state its starting values. The
    // window exists from here on but is set up by awakeFromNib().
    explicit MyTableController(Options options = Options());
    ~MyTableController() override;
    static MyTableController* defaultInstance();

    // Window set-up, once: fixed texts, lists, media list, signature tables,
    // placeholder picture, first wizard screen. Shows the window.
    void awakeFromNib();

    // ---- What tests, the screenshot tour and main() look at.
    ControlPanelWindow* controlPanel() const { return controlPanel_; }
    const EditionProfile& profile() const { return profile_; }
    const QString& resourceDir() const { return resourceDir_; }
    RunState& runState() { return state_; }
    WindowDialogs& dialogs() const { return *dialogs_; }
    MediaTableModel* mediaModel() const { return mediaModel_; }
    DictionaryTableModel* checkListModel() const { return checkListModel_; }
    DictionaryTableModel* summaryModel() const { return summaryModel_; }
    ResultsModel* resultsModel() const { return resultsModel_; }
    SaveFile_Info* saveFileInfoWindow();
    Browse_Info* browseInfoWindow();
    int screenCounter() const { return screen_counter; }
    bool mediaListLoading() const { return listingInFlight_; }
    // The hint over the media table that shows when no medium was found.
    QLabel* emptyMediaHint() const { return emptyMediaHint_; }
    bool searchThreadsRunning() const { return host_->running(); }
    // Files the running (or last) search handed to the window, listed or not.
    quint64 filesFoundThisRun() const { return runFoundFiles_; }
    // The search settings as the engine reads them.
    SearchSettings currentSearchSettings() const override;
    // The engine's host of this window (its requests, its worker thread).
    WindowEngineHost& engineHost() { return *host_; }
    // Replaces the engine settings used by the next search.
    void setEngineOptions(const ostrel::EngineOptions& options) { options_.engineOptions = options; }

    // ---- Exit (edition profile and application paths).
    // Asks whether to quit, once: on Yes ends the application and returns
    // true; once confirmed it answers true without asking again (ending the
    // application closes the window, which comes back here).
    bool Exit_App();
    // The window is being closed: true (close it) only when the user
    // confirmed the exit.
    bool windowShouldClose();
    void Exit_Btn();

    // ---- Media list.
    // Empties the media table and lists the media again on a listing thread
    // under the loading panel; the table is filled when the listing arrives
    // (mediaListReloaded).
    void Reload_Drive_list_Function();
    void rebresh_drives();
    void deleteSelectedRow();

    // ---- Device access.
    // Pre-flight check before a search: opens and closes the medium's device
    // (or its image); a failure is only reported on the console, the search
    // starts anyway and its own open decides.
    void Check_Have_Permissions();
    // The two alerts of a device that could not be opened (main thread);
    // the engine reaches them through showPermissionAlert and
    // showGenericErrorAlert, from any thread.
    void showPermissionAlertAndGuideUser(int err) override;
    void genericErrorAlert(int err) override;
    // On Linux access to a device is granted by administrator rights: this
    // restarts the program with them (and ends this copy on success).
    void openSystemSettingsToPrivacyPane();

    // ---- Running a search.
    void stop_usb_disk();
    // Ends the run on the window with the outcome of the last run (set by
    // requestFinalScreen).
    void Final_or_Stop_Screen();
    // After a stopped search: the wizard goes back to where a search starts
    // and its sector range is set to [sector, end), ready for Next.
    void continueSearchFrom(quint64 sector, quint64 end);
    // How the last run ended, as its final screen showed it.
    const ostrel::RunOutcome& lastRunOutcome() const { return runOutcome_; }
    void Main_Thread_Messgae(const QString& text) override;
    void timerTickSetLabel(const ProgressSnapshot& progress) override;

    // ---- Wizard.
    void Next_btn();
    void Back_btn();
    void Photo_Mode_Radio();
    void Video_Mode_Radio();
    void RawFile_Mode_Radio();
    void Audio_Mode_Radio();
    void Entire_Disk_Radio();
    void Entire_Disk_Radio_Sig();
    void Sector_Range_Radio();
    void Sector_Range_Radio_Sig();
    void DO_Start_slider();
    void DO_End_slider();
    void DO_Start_slider_Sig();
    void DO_End_slider_Sig();
    // A range field was edited by the user: moves its slider when the typed
    // number is not above the total; edits of other fields are ignored.
    void controlTextDidChange(QLineEdit* field);
    void Browse_Path();
    void Browse_Path_Sig();
    void Open_Folder_btn();
    void Open_Folder_btn_Sig();
    void show_hide_1_screen(bool hide);
    void show_hide_2_screen(bool hide);
    void show_hide_3_screen_Photo(bool hide);
    void show_hide_3_screen_RawFile(bool hide);
    void show_hide_4_screen_RawFile(bool hide);
    // True when every character is an ASCII digit (the empty text passes).
    static bool Check_For_Valid_Sec(const QString& text) { return wizard::Check_For_Valid_Sec(text); }
    bool Check_For_One_Extension_Selection() const;

    // ---- File-type list.
    void createExtensionListTableRecord(const QString& extension, bool state, const QString& description,
                                        const QString& thoro);
    void Select_Unselect_Check_btn();
    void clickTable(const QModelIndex& index);
    void Thro_Mode_Chk_SIG_Btn();
    // Builds the list from the current mode's two tables, all checked, sorted.
    void buildExtensionList();
    // Copies the mode's tables into CheckListHeader_Array /
    // CheckListHeader_Adv_Array without the unchecked types, and makes one
    // summary row per checked type.
    void applyExtensionSelection();
    // Sorts the rows by extension, ascending, letter case ignored; equal
    // keys keep their order.
    void sortExtensionList();
    void createSignatureListTableRecord(const QString& fileTypes, quint64 noOfFile, const QString& fileName,
                                        const QString& filePath, const QString& fileTypesHidden);

    // ---- Results browsers (photo: imageBrowser, other modes: imageBrowser_2).
    void addImageWithPath(const QString& path, const QString& imageName, const QString& imageUid);
    // The trimmed path when the cap and count rules let a file be listed.
    QString pathToList(const QString& path);
    // `type` and `typeCount` as EngineHost::listFile gives them: the summary
    // row of `type` shows `typeCount`.
    void addImageWithPath_2(const QString& path, const QString& imageName, const QString& imageUid,
                            const QString& type, quint64 typeCount);
    // The browsers' gestures (`browser` is imageBrowser or imageBrowser_2).
    // Removing takes items off the list only; the files stay on disk.
    void imageBrowser_removeItemsAtIndexes(QWidget* browser, const QList<int>& rows);
    // Moves the items at `rows` as one block before `target` (see
    // ResultsModel::moveItems); answers true.
    bool imageBrowser_moveItemsAtIndexes(QWidget* browser, const QList<int>& rows, int target);
    // Nothing can be dragged out of a browser: answers 0.
    int imageBrowser_writeItemsAtIndexes(QWidget* browser, const QList<int>& rows);
    // Opens the item's file with the desktop's default program (not the
    // placeholder of an undecodable photo).
    void imageBrowser_cellWasDoubleClickedAtIndex(QWidget* browser, int row);
    void zoomSliderDidChange();
    void imageBrowserSelectionDidChange();

    // ---- Preview (second browser). A preview runs from the event loop:
    // the wait sheet goes up, the movie framework is asked (answered later),
    // a thumbnail is decoded off the main thread if needed, then the sheet
    // comes down (previewFinished).
    void closemovie_Win();
    // `args`: the item's path, its start sector and end sector (only the
    // path is used).
    void CreateFile_QuickLook_View(const QVariantList& args);
    void QuickLook_Preview_Thread(const QString& path);
    void setQuickLook_View(const QString& path);
    void Image_Preview(const QString& path, const QString& fileName);
    // Line steps move a scroller by 0.05 of its range, page steps by 0.2;
    // `action` is a QAbstractSlider::SliderAction.
    void scrollerAction(QScrollBar* scroller, int action);
    quint64 previewIndex() const { return Prev_Index; }
    bool previewSession() const { return session; }
    PreviewMedia* previewMedia() const { return previewMedia_; }
    MediaControls* mediaControls() const { return mediaControls_; }
    ThumbnailCache* thumbnailCache() const { return thumbnails_; }

    // ---- Help and information.
    void About_btn();
    void Help_btn();
    void HelpFilePressed() { Help_btn(); }
    void Contact_Us_btn();
    void Open_Support_Mail();
    void Open_Website_1();
    void Open_Website_2();
    void Open_Website_3();
    void Open_Website_4();
    void Copy_Email();
    void Copy_URL();
    void Copy_URL_2();
    // The support mail link, made once at start (makeSupportMailLink).
    const QString& supportMailLink() const { return Support_Mail_Link; }
    // "mailto:" + address + "?subject=" + title + "%20Question" + "&body=" +
    // the questionnaire; trimmed, then every line break written "%0A", every
    // blank "%20" and every double quote "%22".
    static QString makeSupportMailLink(const QString& supportId, const QString& longName);
    AboutWindow* aboutWindow();
    Help_Support* helpSupportWindow();
    ClearPreview_Modeless* clearPreviewWindow();

    // Runs `work` on the main thread (see ui/MainThreadMailbox.h). Any thread.
    void onMainThread(std::function<void()> work, bool wait) { host_->post(std::move(work), wait); }

    // ---- Signature tables and the filtered copies of a non-photo search.
    SignatureDatabase tables;
    QStringList CheckListHeader_Array;
    QStringList CheckListHeader_Adv_Array;

    // Largest signed 64-bit value: no item previewed.
    static constexpr quint64 kNoPreviewIndex = 9223372036854775807ULL;

protected:
    // Keeps the empty-media hint over the whole table area.
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The media table holds the rows of a finished listing.
    void mediaListReloaded();
    // A search's worker thread has ended and been joined.
    void searchThreadsFinished();
    // Final_or_Stop_Screen has run to its end.
    void finalScreenShown();
    // A preview has come to its end and its wait sheet is down; `kind` is a
    // PreviewKind.
    void previewFinished(const QString& path, int kind);

private:
    SettingsSet& set(int mode) { return mode == 0 ? photoSet_ : sigSet_; }
    void bindSettingsSets();
    void wireActions();
    void applyLook();

    // Wizard helpers.
    void resetRange(SettingsSet& s, const QString& sectorsText);
    void entireDisk(SettingsSet& s);
    void sectorRange(SettingsSet& s);
    void sliderMoved(SectorSlider* slider, QLineEdit* field);
    void browsePath();
    void openResultsFolder();
    void setModeRadio(int mode);
    bool nextFromMedium();
    bool nextFromSettings();
    bool nextFromFileTypes();
    void showFinalScreenTexts(SaveFile_Info* info);
    void focusLater(QWidget* widget);
    void setHelp(const QString& text);
    void updateStepHeader();
    bool isPicturesEdition() const;

    // Wizard checks: what the settings screen holds, and the focus after an alert.
    wizard::SettingsInput settingsInput() const;
    void focusAfterAlert(wizard::Focus focus);

    // Search helpers.
    void startSearch(int mode);

    // SearchView: a running search's requests, on the main thread.
    void applyProgress(const ProgressSnapshot& progress) override;
    void onBeginPass(int mode, bool general, const QString& modeLabel) override;
    void onPassRunning(const QString& helpText) override;
    void listFoundFile(int mode, const QString& path, const QString& imageName, const QString& imageUid,
                       const QString& type, quint64 typeCount) override;
    void showClearNoticeText(const QString& notice) override;
    void runEnded(const ostrel::RunOutcome& outcome) override;
    void onWizardStepBack(int mode) override;
    void workerEnded() override;
    void emptyResults() override;
    // Preview and listing helpers.
    void photoDecoded(const QString& path, bool ok);
    void finishPreview(quint64 generation, const QString& path, int kind);
    // The movie framework's answer for `path`: plays it (pictures in the
    // movie view, sound under the type icon) with the controls, or falls
    // back to a picture or the type icon.
    void movieOpened(const QString& path, bool playable);
    void copyToClipboard(const QString& text);
    void openLink(const QString& link);
    // Starts the privileged copy through pkexec and ends this one once it
    // has taken over; a refused password prompt is reported.
    void relaunchAsAdministrator();
    // Ends this copy for the privileged one, without the exit question.
    void endForRelaunch();

    // Media list helpers.
    void showEmptyMediaHint(bool show);
    // Opens the window at its usual size where the screen has room for it,
    // else maximized, so every button is on the screen.
    void showFittingTheScreen();
    void startListing();
    void mediaListArrived(quint64 generation, QList<MyDataObject> rows);
    QList<MyDataObject> sampleRows() const;
    QString sourcePathFor(const QString& identifier) const;

    Options options_;
    EditionProfile profile_;
    QString resourceDir_;
    std::shared_ptr<WindowDialogs> dialogs_;

    ControlPanelWindow* controlPanel_ = nullptr;
    std::unique_ptr<Ui::MainWindow> ui;
    SettingsSet photoSet_;
    SettingsSet sigSet_;
    Browse_Info* browseInfo_ = nullptr;
    SaveFile_Info* saveFileInfo_ = nullptr;
    LoadDiskPanel* loadPanel_ = nullptr;
    QLabel* emptyMediaHint_ = nullptr;

    // Lists shown by the tables and browsers.
    MediaTableModel* mediaModel_ = nullptr;          // nsMutaryOfDataObject
    DictionaryTableModel* checkListModel_ = nullptr; // nsCheckedListDataObject
    DictionaryTableModel* summaryModel_ = nullptr;   // nsSIGFileInfoDataObject
    ResultsModel* resultsModel_ = nullptr;           // images
    MyDataObject selectedMedium_;                    // the row chosen on the medium screen

    // Wizard and run state.
    int screen_counter = 0;
    RunState state_;
    std::FILE* pFile_Disk = nullptr;
    quint64 Prev_Index = kNoPreviewIndex;
    QString noprevfile;
    QByteArray Null_Image_Data;
    bool session = false; // a preview's wait sheet is up
    bool finalScreenPending_ = false; // a run ended while the wait sheet was up
    ostrel::RunOutcome runOutcome_;
    // Movie half of the preview; decoder and cache of pictures.
    PreviewMedia* previewMedia_ = nullptr;
    MediaControls* mediaControls_ = nullptr;
    ThumbnailCache* thumbnails_ = nullptr;
    ClearPreview_Modeless* clearPreview_ = nullptr;
    AboutWindow* about_ = nullptr;
    Help_Support* helpSupport_ = nullptr;
    quint64 previewGeneration_ = 0; // the preview in progress (a newer one supersedes it)
    QString previewPath_;
    QString Support_Mail_Link;
    bool bulkCheckChange_ = false;
    bool exitConfirmed_ = false; // the user said Yes to the exit question
    pid_t relaunchPid_ = 0;      // pkexec asking for the password, while it does
    quint64 runFoundFiles_ = 0;

    // The media listing thread.
    std::thread listing_;
    quint64 listingGeneration_ = 0;
    bool listingInFlight_ = false;
    bool reloadPending_ = false;

    // The engine's host: the main-thread mailbox and the search's worker
    // thread. Declared last so it goes first: its teardown stops the search
    // while everything the search's requests touch still exists.
    std::unique_ptr<WindowEngineHost> host_;
};
