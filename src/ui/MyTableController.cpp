#include "ui/MyTableController.h"

#include "app/SupportFolder.h"
#include "edition/ResourceLocator.h"
#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/MediaControls.h"
#include "ui/PlainText.h"
#include "ui/PreviewMedia.h"
#include "ui/ResultsBrowserView.h"
#include "ui/ResultsModel.h"
#include "ui/ThumbnailCache.h"
#include "ui/SectorSlider.h"
#include "ui/TableModels.h"
#include "ui/WindowDialogs.h"
#include "ui/WindowTexts.h"
#include "ui_MainWindow.h"
#include "util/TextHelpers.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QVideoWidget>
#include <syslog.h>

// The window's style sheet and icons are compiled into this library; a
// static library's resources must be registered explicitly.
static void initWindowResources()
{
    Q_INIT_RESOURCE(ui_resources);
}

MyTableController* Main_App_wnd = nullptr;
MyTableController* App_DefaultInstance = nullptr;
int Recovery_MODE = 0;
QString APP_LONG_NAME;

void Show_MessageBox(const QString& text)
{
    MyTableController* target = Main_App_wnd;
    if (!target) {
        syslog(LOG_USER | LOG_NOTICE, "%s", "Show_MessageBox: no window to show the message");
        return;
    }
    const QString message = QStringLiteral("\n") + text;
    target->onMainThread([target, message] { target->Main_Thread_Messgae(message); }, true);
}

MyTableController::MyTableController(Options options)
    : options_(std::move(options)), dialogs_(options_.dialogs)
{
    initWindowResources();
    App_DefaultInstance = this;
    Main_App_wnd = this;
    host_ = std::make_unique<WindowEngineHost>(static_cast<SearchView&>(*this), state_);
    if (!dialogs_)
        dialogs_ = std::make_shared<DesktopDialogs>();

    QString bundleName = options_.bundleName;
    if (bundleName.isEmpty())
        bundleName = QCoreApplication::applicationName();
    profile_ = EditionProfile::fromBundleName(bundleName);
    // The support folder; a failure to make it does not stop the program.
    createResourcePath(profile_.App_Name);
    APP_LONG_NAME = profile_.APP_LONG_NAME;

    resourceDir_ = options_.resourceDir.isEmpty() ? findResourceDir(QCoreApplication::applicationDirPath())
                                                  : options_.resourceDir;

    Recovery_MODE = 0;
    screen_counter = 0;
    Prev_Index = kNoPreviewIndex;
    Support_Mail_Link = makeSupportMailLink(profile_.support_id, APP_LONG_NAME);

    controlPanel_ = new ControlPanelWindow();
    ui = std::make_unique<Ui::MainWindow>();
    ui->setupUi(controlPanel_);
    makeLabelsPlainText(controlPanel_);
    controlPanel_->setShouldClose([this] { return windowShouldClose(); });
}

MyTableController::~MyTableController()
{
    // A search still running is stopped and its requests to the window are
    // dropped from now on (the listing's too).
    host_->shutdown();
    if (listing_.joinable())
        listing_.join();
    // Decodes in flight answer to the controller: let them end first.
    delete thumbnails_;
    thumbnails_ = nullptr;
    delete controlPanel_;
    if (Main_App_wnd == this)
        Main_App_wnd = nullptr;
    if (App_DefaultInstance == this)
        App_DefaultInstance = nullptr;
}

MyTableController* MyTableController::defaultInstance()
{
    return App_DefaultInstance;
}

SaveFile_Info* MyTableController::saveFileInfoWindow()
{
    if (!saveFileInfo_) {
        saveFileInfo_ = new SaveFile_Info(controlPanel_);
        saveFileInfo_->setLinks(profile_.Website_4, profile_.support_id);
        connect(saveFileInfo_, &SaveFile_Info::websiteClicked, this, [this] { Open_Website_4(); });
        connect(saveFileInfo_, &SaveFile_Info::supportClicked, this, [this] { Open_Support_Mail(); });
    }
    return saveFileInfo_;
}

Browse_Info* MyTableController::browseInfoWindow()
{
    if (!browseInfo_)
        browseInfo_ = new Browse_Info(controlPanel_);
    return browseInfo_;
}

// ---------------------------------------------------------------------------
// Window set-up

void MyTableController::bindSettingsSets()
{
    Ui::MainWindow& w = *ui;
    photoSet_ = SettingsSet{w._screen_settings,
                            w._entire_disk_rd,
                            w._sector_range_rd,
                            w._summary_block,
                            w._range_block,
                            {w._disk, w._vol_name, w._file_system, w._size, w._start_sector_entire, w._end_sector_entire},
                            {w._disk_val, w._vol_name_val, w._file_system_val, w._size_val, w._start_sector_entire_val,
                             w._end_sector_entire_val},
                            w._Start_Slider,
                            w._End_Slider,
                            w._Start_slider_val,
                            w._End_slider_val,
                            w._Start_Sec_Min_val,
                            w._Start_Sec_Max_val,
                            w._End_Sec_Min_val,
                            w._End_Sec_Max_val,
                            w._path,
                            w._browse_path,
                            w._criteria_box,
                            w._medium_info_box,
                            w._dest_box,
                            w._dest_caption};
    sigSet_ = SettingsSet{w._screen_settings_Sig,
                          w._entire_disk_rd_Sig,
                          w._sector_range_rd_Sig,
                          w._summary_block_Sig,
                          w._range_block_Sig,
                          {w._disk_Sig, w._vol_name_Sig, w._file_system_Sig, w._size_Sig, w._start_sector_entire_Sig,
                           w._end_sector_entire_Sig},
                          {w._disk_val_Sig, w._vol_name_val_Sig, w._file_system_val_Sig, w._size_val_Sig,
                           w._start_sector_entire_val_Sig, w._end_sector_entire_val_Sig},
                          w._Start_Slider_Sig,
                          w._End_Slider_Sig,
                          w._Start_slider_val_Sig,
                          w._End_slider_val_Sig,
                          w._Start_Sec_Min_val_Sig,
                          w._Start_Sec_Max_val_Sig,
                          w._End_Sec_Min_val_Sig,
                          w._End_Sec_Max_val_Sig,
                          w._path_Sig,
                          w._browse_path_Sig,
                          w._criteria_box_Sig,
                          w._medium_info_box_Sig,
                          w._dest_box_Sig,
                          w._dest_caption_Sig};
}

void MyTableController::wireActions()
{
    Ui::MainWindow& w = *ui;
    connect(w._next_btn, &QAbstractButton::clicked, this, [this] { Next_btn(); });
    connect(w._back_btn, &QAbstractButton::clicked, this, [this] { Back_btn(); });
    connect(w._exit_btn, &QAbstractButton::clicked, this, [this] { Exit_Btn(); });
    connect(w._refresh_btn, &QAbstractButton::clicked, this, [this] { rebresh_drives(); });
    connect(w._photo_mode_rd, &QAbstractButton::clicked, this, [this] { Photo_Mode_Radio(); });
    connect(w._video_mode_rd, &QAbstractButton::clicked, this, [this] { Video_Mode_Radio(); });
    connect(w._rawfile_mode_rd, &QAbstractButton::clicked, this, [this] { RawFile_Mode_Radio(); });
    connect(w._audio_mode_rd, &QAbstractButton::clicked, this, [this] { Audio_Mode_Radio(); });
    connect(w._entire_disk_rd, &QAbstractButton::clicked, this, [this] { Entire_Disk_Radio(); });
    connect(w._entire_disk_rd_Sig, &QAbstractButton::clicked, this, [this] { Entire_Disk_Radio_Sig(); });
    connect(w._sector_range_rd, &QAbstractButton::clicked, this, [this] { Sector_Range_Radio(); });
    connect(w._sector_range_rd_Sig, &QAbstractButton::clicked, this, [this] { Sector_Range_Radio_Sig(); });
    connect(w._Start_Slider, &SectorSlider::moved64, this, [this] { DO_Start_slider(); });
    connect(w._End_Slider, &SectorSlider::moved64, this, [this] { DO_End_slider(); });
    connect(w._Start_Slider_Sig, &SectorSlider::moved64, this, [this] { DO_Start_slider_Sig(); });
    connect(w._End_Slider_Sig, &SectorSlider::moved64, this, [this] { DO_End_slider_Sig(); });
    for (QLineEdit* field : {w._Start_slider_val, w._End_slider_val, w._Start_slider_val_Sig, w._End_slider_val_Sig})
        connect(field, &QLineEdit::textEdited, this, [this, field] { controlTextDidChange(field); });
    connect(w._browse_path, &QAbstractButton::clicked, this, [this] { Browse_Path(); });
    connect(w._browse_path_Sig, &QAbstractButton::clicked, this, [this] { Browse_Path_Sig(); });
    connect(w._open_folder, &QAbstractButton::clicked, this, [this] { Open_Folder_btn(); });
    connect(w._open_folder_Sig, &QAbstractButton::clicked, this, [this] { Open_Folder_btn_Sig(); });
    connect(w._stop_scan, &QAbstractButton::clicked, this, [this] { stop_usb_disk(); });
    connect(w._select_unselect_Chk, &QAbstractButton::clicked, this, [this] { Select_Unselect_Check_btn(); });
    connect(w._Thro_Mode_Chk_SIG, &QAbstractButton::clicked, this, [this] { Thro_Mode_Chk_SIG_Btn(); });
    connect(w.idCheckTableView, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) { clickTable(i); });
    connect(w._zoom_slider, &QSlider::valueChanged, this, [this] { zoomSliderDidChange(); });
    connect(w._about_btn, &QAbstractButton::clicked, this, [this] { About_btn(); });
    connect(w._help_btn, &QAbstractButton::clicked, this, [this] { Help_btn(); });
    connect(w._contact_btn, &QAbstractButton::clicked, this, [this] { Contact_Us_btn(); });
    connect(w.idTableView, &QAbstractItemView::doubleClicked, this, [this] { Next_btn(); });
}

void MyTableController::applyLook()
{
    Ui::MainWindow& w = *ui;
    QFile style(QStringLiteral(":/ui/ostrel.qss"));
    if (style.open(QIODevice::ReadOnly))
        controlPanel_->setStyleSheet(QString::fromUtf8(style.readAll()));
    controlPanel_->setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
    w._app_icon->setPixmap(QIcon(QStringLiteral(":/icons/app.svg")).pixmap(72, 72));
    w._help_icon->setPixmap(QIcon(QStringLiteral(":/icons/lightbulb.svg")).pixmap(22, 22));
    const QSize modeIcon(40, 40);
    w._photo_mode_rd->setIcon(QIcon(QStringLiteral(":/icons/photo.svg")));
    w._video_mode_rd->setIcon(QIcon(QStringLiteral(":/icons/video.svg")));
    w._rawfile_mode_rd->setIcon(QIcon(QStringLiteral(":/icons/rawfile.svg")));
    w._audio_mode_rd->setIcon(QIcon(QStringLiteral(":/icons/audio.svg")));
    for (QRadioButton* r : {w._photo_mode_rd, w._video_mode_rd, w._rawfile_mode_rd, w._audio_mode_rd})
        r->setIconSize(modeIcon);
    w._refresh_btn->setIcon(QIcon(QStringLiteral(":/icons/refresh.svg")));
    w._browse_path->setIcon(QIcon(QStringLiteral(":/icons/folder.svg")));
    w._browse_path_Sig->setIcon(QIcon(QStringLiteral(":/icons/folder.svg")));
    w._open_folder->setIcon(QIcon(QStringLiteral(":/icons/folder.svg")));
    w._open_folder_Sig->setIcon(QIcon(QStringLiteral(":/icons/folder.svg")));
    w._help_btn->setIcon(QIcon(QStringLiteral(":/icons/help.svg")));
    w._contact_btn->setIcon(QIcon(QStringLiteral(":/icons/support.svg")));
    w._about_btn->setIcon(QIcon(QStringLiteral(":/icons/about.svg")));
    w._stop_scan->setIcon(QIcon(QStringLiteral(":/icons/stop.svg")));
    w._next_btn->setIcon(QIcon(QStringLiteral(":/icons/next.svg")));
    w._next_btn->setLayoutDirection(Qt::RightToLeft); // icon after the text
    w._back_btn->setIcon(QIcon(QStringLiteral(":/icons/back.svg")));
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{w._help_btn, w._contact_btn, w._about_btn})
        b->setIconSize(QSize(18, 18));

    for (QTableView* table : {w.idTableView, w.idCheckTableView, w.idSigTableView}) {
        table->verticalHeader()->hide();
        table->verticalHeader()->setDefaultSectionSize(30);
        table->horizontalHeader()->setHighlightSections(false);
    }
    w._disk_identifier->hide();
    w._sectors_val->hide();
}

void MyTableController::awakeFromNib()
{
    Ui::MainWindow& w = *ui;
    bindSettingsSets();
    applyLook();
    wireActions();

    // 1-2. The window, its title, in front.
    controlPanel_->setWindowTitle(APP_LONG_NAME);
    w._title_label->setText(APP_LONG_NAME);

    // 3-4. Thorough photo pass on, photo mode, first help text.
    w._Thro_Mode_Chk->setChecked(true);
    Recovery_MODE = 0;
    setModeRadio(0);
    setHelp(wintexts::helpMedium);

    // 5. Disk information captions, identical in both sets; progress text.
    const QString captions[6] = {wintexts::captionDisk,         wintexts::captionVolName,
                                 wintexts::captionFileSystem,   wintexts::captionSize,
                                 wintexts::captionStartSector,  wintexts::captionEndSector};
    for (SettingsSet* s : {&photoSet_, &sigSet_}) {
        for (int i = 0; i < 6; ++i) {
            s->captions[i]->setText(captions[i]);
            s->values[i]->setText(wintexts::none);
        }
    }
    w._sector_label->setText(wintexts::sectorsZero);

    // 6. The lists: media, extension check list, per-type summary.
    mediaModel_ = new MediaTableModel(this);
    w.idTableView->setModel(mediaModel_);
    checkListModel_ = new DictionaryTableModel({{QStringLiteral("State"), QStringLiteral("Search"), true},
                                                {QStringLiteral("Extension"), QStringLiteral("Type")},
                                                {QStringLiteral("Description"), QStringLiteral("Description")},
                                                {QStringLiteral("Thoro"), QStringLiteral("Thorough only")}},
                                               this);
    w.idCheckTableView->setModel(checkListModel_);
    w.idCheckTableView->setItemDelegateForColumn(0, new CheckCellDelegate(w.idCheckTableView));
    connect(checkListModel_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                // A keyboard toggle keeps the select-all box true as a click does.
                const int state = checkListModel_->columnOf(QStringLiteral("State"));
                if (!bulkCheckChange_ && topLeft.column() <= state && bottomRight.column() >= state)
                    clickTable(checkListModel_->index(topLeft.row(), state));
            });
    summaryModel_ = new DictionaryTableModel({{QStringLiteral("FileTypes"), QStringLiteral("Type")},
                                              {QStringLiteral("NoOfFile"), QStringLiteral("Files")},
                                              {QStringLiteral("FileName"), QStringLiteral("Last file")}},
                                             this);
    w.idSigTableView->setModel(summaryModel_);
    QHeaderView* media = w.idTableView->horizontalHeader();
    media->setSectionResizeMode(QHeaderView::Stretch);
    media->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    QHeaderView* check = w.idCheckTableView->horizontalHeader();
    check->setSectionResizeMode(0, QHeaderView::Fixed);
    check->resizeSection(0, 70);
    check->setSectionResizeMode(1, QHeaderView::Fixed);
    check->resizeSection(1, 110);
    check->setSectionResizeMode(2, QHeaderView::Stretch);
    check->setSectionResizeMode(3, QHeaderView::ResizeToContents);
    QHeaderView* summary = w.idSigTableView->horizontalHeader();
    summary->setSectionResizeMode(QHeaderView::ResizeToContents);
    summary->setStretchLastSection(true);
    emptyMediaHint_ = new QLabel(wintexts::noMediaHint, w.idTableView->viewport());
    emptyMediaHint_->setObjectName(QStringLiteral("_no_media_hint"));
    emptyMediaHint_->setAlignment(Qt::AlignCenter);
    emptyMediaHint_->setWordWrap(true);
    emptyMediaHint_->setTextFormat(Qt::PlainText);
    emptyMediaHint_->hide();
    w.idTableView->viewport()->installEventFilter(this);
    Reload_Drive_list_Function();

    // 7. The results list, shown by both browsers; its pictures; the
    // browsers' gestures; the preview's movie half; the zoom.
    resultsModel_ = new ResultsModel(this);
    thumbnails_ = new ThumbnailCache();
    resultsModel_->setThumbnailCache(thumbnails_);
    connect(thumbnails_, &ThumbnailCache::decoded, this,
            [this](const QString& path, bool ok) { photoDecoded(path, ok); });
    w.imageBrowser->setModel(resultsModel_);
    w.imageBrowser_2->setModel(resultsModel_);
    connect(w.imageBrowser_2->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { imageBrowserSelectionDidChange(); });
    for (ResultsBrowserView* browser : {w.imageBrowser, w.imageBrowser_2}) {
        connect(browser, &ResultsBrowserView::moveRequested, this,
                [this, browser](const QList<int>& rows, int target) {
                    imageBrowser_moveItemsAtIndexes(browser, rows, target);
                });
        connect(browser, &ResultsBrowserView::removeRequested, this,
                [this, browser](const QList<int>& rows) { imageBrowser_removeItemsAtIndexes(browser, rows); });
        connect(browser, &QAbstractItemView::doubleClicked, this, [this, browser](const QModelIndex& index) {
            imageBrowser_cellWasDoubleClickedAtIndex(browser, index.row());
        });
    }
    // The list's scroller steps by fractions of its range.
    QScrollBar* scroller = w.imageBrowser_2->verticalScrollBar();
    connect(scroller, &QAbstractSlider::actionTriggered, this,
            [this, scroller](int action) { scrollerAction(scroller, action); });
    previewMedia_ = options_.previewMedia ? options_.previewMedia(w.mMovieView, this)
                                          : new PlayerPreviewMedia(w.mMovieView, 5000, this);
    if (previewMedia_) {
        connect(previewMedia_, &PreviewMedia::opened, this,
                [this](const QString& path, bool playable) { movieOpened(path, playable); });
        mediaControls_ = new MediaControls(previewMedia_, w._QuickLook_View_Box);
        w.quicklook_vbox->addWidget(mediaControls_);
        mediaControls_->hide();
    }
    w._zoom_slider->setValue(50);
    zoomSliderDidChange();
    w.imageBrowser_2->setIconSize(QSize(48, 48));
    w.imageBrowser_2->setGridSize(QSize(150, 88));
    w.imageBrowser_2->setTextElideMode(Qt::ElideMiddle);

    // 8. Signature tables.
    tables.load(profile_, resourceDir_);

    // 9. Placeholder picture.
    QFile placeholder(resourceDir_ + QStringLiteral("/NoPreview.png"));
    if (placeholder.open(QIODevice::ReadOnly))
        Null_Image_Data = placeholder.readAll();

    // 10. Progress bar, placeholder path.
    w._Progress_Horz->setRange(0, 1);
    w._Progress_Horz->setValue(0);
    noprevfile.clear();

    // Everything but the first screen starts hidden.
    show_hide_2_screen(true);
    sigSet_.screen->hide();
    show_hide_3_screen_Photo(true);
    show_hide_3_screen_RawFile(true);
    show_hide_4_screen_RawFile(true);
    w._Search_Type->hide();
    w._ClearThumbnail_Label->hide();
    w._zoom_label->hide();
    w._zoom_slider->hide();
    w._open_folder->hide();
    w._open_folder_Sig->hide();
    w._back_btn->setEnabled(false);

    // 12. The medium screen.
    show_hide_1_screen(false);
    showFittingTheScreen();
    controlPanel_->raise();
    controlPanel_->activateWindow();
}

void MyTableController::showFittingTheScreen()
{
    const QSize preferred(1280, 800);
    // Room for the window manager's frame and title bar around it.
    const QSize frame(16, 48);
    const QScreen* screen = controlPanel_->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), preferred + frame);
    if (available.width() >= preferred.width() + frame.width() &&
        available.height() >= preferred.height() + frame.height()) {
        controlPanel_->resize(preferred);
        controlPanel_->show();
    } else {
        controlPanel_->resize(available.size() - frame);
        controlPanel_->showMaximized();
    }
}

bool MyTableController::eventFilter(QObject* watched, QEvent* event)
{
    if (emptyMediaHint_ && watched == ui->idTableView->viewport() && event->type() == QEvent::Resize)
        emptyMediaHint_->setGeometry(ui->idTableView->viewport()->rect().adjusted(12, 12, -12, -12));
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Exit

bool MyTableController::Exit_App()
{
    if (exitConfirmed_)
        return true;
    const int answer = dialogs_->runAlert(
        controlPanel_, {wintexts::askExit, QString(), {wintexts::yes, wintexts::no}, AlertText::Kind::Question});
    if (answer != 0)
        return false;
    exitConfirmed_ = true;
    if (options_.terminate)
        options_.terminate();
    else
        QCoreApplication::quit();
    return true;
}

bool MyTableController::windowShouldClose()
{
    return Exit_App();
}

void MyTableController::Exit_Btn()
{
    if (Exit_App())
        controlPanel_->hide();
}

// ---------------------------------------------------------------------------
// Messages

void MyTableController::Main_Thread_Messgae(const QString& text)
{
    dialogs_->runAlert(controlPanel_, {text, QString(), {wintexts::ok}, AlertText::Kind::Information});
}
