#include "ScreenshotTour.h"

#include "engine/SectorSource.h"
#include "ui/ControlPanelWindow.h"
#include "ui/InfoWindows.h"
#include "ui/PreviewMedia.h"
#include "ui/ResultsModel.h"
#include "ui/TableModels.h"
#include "ui/WindowDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// The window's widgets by their object names (the layout's outlet names).
class Outlets {
public:
    explicit Outlets(QWidget* window) : window_(window) {}
    template <class T>
    T* find(const char* name) const
    {
        T* w = window_->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("the window has no %s", name);
        return w;
    }

private:
    QWidget* window_;
};


// Reads like a slow card reader, so a search lasts long enough to be pictured.
class SlowSource : public ostrel::SectorSource {
public:
    explicit SlowSource(std::unique_ptr<ostrel::SectorSource> inner) : inner_(std::move(inner)) {}
    quint32 read(quint64 first, quint32 count, unsigned char* buffer, int* error) override
    {
        std::this_thread::sleep_for(std::chrono::microseconds(100) * count);
        return inner_->read(first, count, buffer, error);
    }

private:
    std::unique_ptr<ostrel::SectorSource> inner_;
};

// The window with `dialog` drawn over it, the window dimmed as under a sheet.
QImage composeOver(QWidget* window, QWidget* dialog)
{
    QImage image = window->grab().toImage();
    QPainter p(&image);
    p.fillRect(image.rect(), QColor(15, 25, 40, 120));
    const QPixmap front = dialog->grab();
    const QPoint at((image.width() - front.width()) / 2, (image.height() - front.height()) / 3);
    p.setPen(Qt::NoPen);
    for (int i = 6; i > 0; --i) {
        p.setBrush(QColor(0, 0, 0, 10));
        p.drawRoundedRect(QRect(at, front.size()).adjusted(-i, -i + 3, i, i + 3), 8, 8);
    }
    p.drawPixmap(at, front);
    p.setPen(QColor(160, 172, 188));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(at, front.size()).adjusted(0, 0, -1, -1));
    return image;
}

} // namespace

// Shows alerts and windows for real, pictures them when a name is waiting,
// and answers with the default button after a moment.
class TourDialogs : public WindowDialogs {
public:
    QString folder;
    QString destination;
    QString pendingName; // picture the next alert or window under this name

    int runAlert(QWidget* parent, const AlertText& alert) override
    {
        QMessageBox* box = makeAlertBox(parent, alert);
        const QString name = std::exchange(pendingName, QString());
        QTimer::singleShot(450, box, [this, box, parent, name] {
            if (!name.isEmpty())
                save(composeOver(parent->window(), box), name);
            box->buttons().isEmpty() ? box->reject() : box->defaultButton()->click();
        });
        box->exec();
        delete box;
        return 0;
    }

    int runModal(QDialog* window) override
    {
        const QString name = std::exchange(pendingName, QString());
        QTimer::singleShot(450, window, [this, window, name] {
            if (!name.isEmpty())
                save(composeOver(window->parentWidget()->window(), window), name);
            window->done(1);
        });
        return window->exec();
    }

    QString chooseFolder(QWidget*, const QString&) override { return destination; }
    bool openLocation(const QUrl&) override { return true; }

    void save(const QImage& image, const QString& name)
    {
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        if (image.save(path))
            std::printf("saved %s\n", qPrintable(path));
        else
            std::fprintf(stderr, "could not save %s\n", qPrintable(path));
        std::fflush(stdout);
    }
};

ScreenshotTour::ScreenshotTour(const QString& folder, MyTableController::Options& options)
    : folder_(folder), scratch_(QDir::temp().filePath(QStringLiteral("ostrel-tour-XXXXXX"))),
      dialogs_(std::make_shared<TourDialogs>())
{
    // A second sample medium, when given, is searched for videos.
    if (!options.sampleMedia.isEmpty())
        firstSample_ = QFileInfo(options.sampleMedia.at(0).imagePath).fileName();
    if (options.sampleMedia.size() > 1)
        videoSample_ = QFileInfo(options.sampleMedia.at(1).imagePath).fileName();
    QDir().mkpath(folder_);
    // A neutral place for the recovered files, so no developer path shows
    // in the pictures: a folder made afresh for this walk (no name anyone
    // could have prepared) and removed with it.
    if (scratch_.isValid() && QDir(scratch_.path()).mkdir(QStringLiteral("Recovered Files")))
        destination_ = QDir(scratch_.path()).filePath(QStringLiteral("Recovered Files"));
    else
        std::fprintf(stderr, "could not make a temporary folder for the recovered files in %s\n",
                     qPrintable(QDir::tempPath()));
    dialogs_->folder = folder_;
    dialogs_->destination = destination_;
    options.dialogs = dialogs_;
    options.engineOptions.clearPause = std::chrono::milliseconds(0);
    options.engineOptions.openSource = [](const QString& path, int* error) -> std::unique_ptr<ostrel::SectorSource> {
        auto file = ostrel::FileSectorSource::open(path, error);
        if (!file)
            return nullptr;
        return std::make_unique<SlowSource>(std::move(file));
    };
    // The sample folder is on the same disk as the image; that is fine for
    // an image, so the destination check has nothing to refuse here.
}

ScreenshotTour::~ScreenshotTour() = default; // the scratch folder goes with it

void ScreenshotTour::capture(const QString& name)
{
    dialogs_->save(controller_->controlPanel()->grab().toImage(), name);
}

void ScreenshotTour::captureScreen(const QString& name)
{
    // The movie is drawn in a native child window, which grab() does not
    // see; the X server's picture of the window does.
    QWidget* window = controller_->controlPanel();
    const QPixmap shot = window->screen()->grabWindow(window->winId());
    dialogs_->save(shot.isNull() ? window->grab().toImage() : shot.toImage(), name);
}

void ScreenshotTour::whenTrue(std::function<bool()> condition, Step then)
{
    if (!condition()) {
        QTimer::singleShot(150, this, [this, condition, then] { whenTrue(condition, then); });
        return;
    }
    then();
}

void ScreenshotTour::selectRowNamed(const QString& identifier)
{
    const Outlets w(controller_->controlPanel());
    MediaTableModel* media = controller_->mediaModel();
    for (int r = 0; r < media->rowCount(); ++r) {
        if (media->index(r, 0).data().toString() == identifier) {
            w.find<QTableView>("idTableView")->selectRow(r);
            return;
        }
    }
    selectSampleRow();
}

void ScreenshotTour::next(int delayMs)
{
    if (steps_.isEmpty())
        return;
    const Step step = steps_.takeFirst();
    QTimer::singleShot(delayMs, this, [this, step] {
        step();
    });
}

void ScreenshotTour::whenFinalScreen(Step then)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(controller_, &MyTableController::finalScreenShown, this, [this, connection, then] {
        disconnect(*connection);
        QTimer::singleShot(600, this, then);
    });
}

void ScreenshotTour::selectSampleRow()
{
    const Outlets w(controller_->controlPanel());
    MediaTableModel* media = controller_->mediaModel();
    // The first sample medium (the photo card); else the last row.
    for (int r = 0; r < media->rowCount(); ++r) {
        if (!firstSample_.isEmpty() && media->index(r, 0).data().toString() == firstSample_) {
            w.find<QTableView>("idTableView")->selectRow(r);
            return;
        }
    }
    const int last = media->rowCount() - 1;
    if (last >= 0)
        w.find<QTableView>("idTableView")->selectRow(last);
}

void ScreenshotTour::whenListed(Step step)
{
    if (controller_->mediaListLoading()) {
        QTimer::singleShot(200, this, [this, step] { whenListed(step); });
        return;
    }
    step();
}

void ScreenshotTour::start(MyTableController& controller)
{
    controller_ = &controller;
    if (!ready()) {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return;
    }
    const Outlets w(controller.controlPanel());

    steps_ << [this] {
        whenListed([this] {
            selectSampleRow();
            next(400);
        });
    };
    steps_ << [this] { capture(QStringLiteral("01-storage-media")); next(); };
    steps_ << [this, w] {
        w.find<QAbstractButton>("_next_btn")->click();
        next();
    };
    steps_ << [this, w] {
        dialogs_->pendingName = QStringLiteral("02-destination-info");
        w.find<QAbstractButton>("_browse_path")->click();
        next();
    };
    steps_ << [this] { capture(QStringLiteral("03-search-settings")); next(); };
    steps_ << [this, w] {
        w.find<QAbstractButton>("_sector_range_rd")->click();
        w.find<QLineEdit>("_Start_slider_val")->setText(QStringLiteral("2048"));
        controller_->controlTextDidChange(w.find<QLineEdit>("_Start_slider_val"));
        next();
    };
    steps_ << [this, w] {
        capture(QStringLiteral("04-sector-range"));
        w.find<QAbstractButton>("_entire_disk_rd")->click();
        next();
    };
    steps_ << [this, w] {
        whenFinalScreen([this] {
            whenTrue([this] { return controller_->resultsModel()->pendingCount() == 0; }, [this] {
                QTimer::singleShot(300, this, [this] {
                    capture(QStringLiteral("07-photo-results"));
                    next(100);
                });
            });
        });
        dialogs_->pendingName = QStringLiteral("06-search-finished");
        w.find<QAbstractButton>("_next_btn")->click();
        QTimer::singleShot(1500, this, [this] { capture(QStringLiteral("05-photo-search")); });
    };
    steps_ << [this, w] {
        w.find<QAbstractButton>("_back_btn")->click();
        next(300);
    };
    steps_ << [this, w] {
        w.find<QAbstractButton>("_back_btn")->click();
        next(300);
    };
    steps_ << [this, w] {
        whenListed([this, w] {
            w.find<QAbstractButton>("_rawfile_mode_rd")->click();
            selectSampleRow();
            next(400);
        });
    };
    steps_ << [this] { capture(QStringLiteral("08-file-mode")); next(); };
    steps_ << [this, w] {
        w.find<QAbstractButton>("_next_btn")->click();
        w.find<QAbstractButton>("_browse_path_Sig")->click(); // Next cleared the destination of this set
        next();
    };
    steps_ << [this, w] {
        w.find<QAbstractButton>("_next_btn")->click();
        next();
    };
    steps_ << [this] { capture(QStringLiteral("09-file-types")); next(); };
    steps_ << [this, w] {
        whenFinalScreen([this] { next(100); });
        w.find<QAbstractButton>("_next_btn")->click();
        QTimer::singleShot(2600, this, [this] { capture(QStringLiteral("10-file-search")); });
    };
    steps_ << [this, w] {
        // Select a found file so the pane beside the list shows something.
        if (controller_->resultsModel()->rowCount() > 0)
            w.find<QAbstractItemView>("imageBrowser_2")->setCurrentIndex(controller_->resultsModel()->index(0, 0));
        next(300);
    };
    steps_ << [this] { capture(QStringLiteral("11-file-results")); next(); };
    // A video search on the second sample medium, its preview playing.
    steps_ << [this, w] {
        if (videoSample_.isEmpty()) {
            next(0);
            return;
        }
        w.find<QAbstractButton>("_back_btn")->click(); // results -> file types
        w.find<QAbstractButton>("_back_btn")->click(); // file types -> settings
        w.find<QAbstractButton>("_back_btn")->click(); // settings -> media
        next(300);
    };
    steps_ << [this, w] {
        if (videoSample_.isEmpty()) {
            next(0);
            return;
        }
        whenListed([this, w] {
            w.find<QAbstractButton>("_video_mode_rd")->click();
            selectRowNamed(videoSample_);
            next(400);
        });
    };
    steps_ << [this, w] {
        if (videoSample_.isEmpty()) {
            next(0);
            return;
        }
        w.find<QAbstractButton>("_next_btn")->click();
        w.find<QAbstractButton>("_browse_path_Sig")->click();
        next();
    };
    steps_ << [this, w] {
        if (videoSample_.isEmpty()) {
            next(0);
            return;
        }
        w.find<QAbstractButton>("_next_btn")->click(); // to the file types
        next();
    };
    steps_ << [this, w] {
        if (videoSample_.isEmpty()) {
            next(0);
            return;
        }
        whenFinalScreen([this, w] {
            const ResultsModel* model = controller_->resultsModel();
            int row = -1;
            for (int r = 0; r < model->rowCount() && row < 0; ++r) {
                if (model->itemAt(r)->path.endsWith(QStringLiteral(".MP4"), Qt::CaseInsensitive))
                    row = r;
            }
            if (row < 0) {
                next(100);
                return;
            }
            auto connection = std::make_shared<QMetaObject::Connection>();
            *connection = connect(controller_, &MyTableController::previewFinished, this, [this, connection] {
                disconnect(*connection);
                // Let the movie play a moment before it is pictured.
                QTimer::singleShot(1500, this, [this] {
                    captureScreen(QStringLiteral("13-video-preview"));
                    next(100);
                });
            });
            w.find<QAbstractItemView>("imageBrowser_2")->setCurrentIndex(model->index(row, 0));
        });
        w.find<QAbstractButton>("_next_btn")->click(); // the search
    };
    // The help windows.
    steps_ << [this, w] {
        dialogs_->pendingName = QStringLiteral("14-about");
        w.find<QAbstractButton>("_about_btn")->click();
        next(300);
    };
    steps_ << [this, w] {
        dialogs_->pendingName = QStringLiteral("15-help-support");
        w.find<QAbstractButton>("_contact_btn")->click();
        next(300);
    };
    steps_ << [this, w] {
        dialogs_->pendingName = QStringLiteral("12-exit-question");
        w.find<QAbstractButton>("_exit_btn")->click(); // answered Yes: the program quits
    };
    next(600);
}
