// The main window's menus and their commands, quit and window events: the viewer
// and camera settings under their cross-copy guards (the camera settings
// over a generated card's SETINF.DAT to a written GROUP.DAT), the first
// launch, the download page, the quit question with the player's state
// saved, the loaded picture data freed off the GUI thread as the window
// goes, and full screen and minimising with the floating windows.

#include "../../support/HeldCardReads.h"
#include "AppTestSupport.h"
#include "FakeMainWindowViews.h"
#include "FakeMediaPlayer.h"
#include "TestMain.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"
#include "app/settings/CameraSettingDialog.h"
#include "app/settings/ViewerSettingDialog.h"
#include "app/shell/CardDriveSelectDialog.h"
#include "app/shell/EXTextButton.h"
#include "core/catalog/CardData.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"
#include "core/mainwindow/OpenData.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QLockFile>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace apptest;

namespace {

// Runs action on the next file panel the application opens.
void whenPanelOpens(std::function<void(QFileDialog*)> action)
{
    auto* timer = new QTimer();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!panel || !panel->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(panel);
    });
    timer->start();
}

// A player whose movie becomes ready as soon as it is opened.
MediaPlayer* readyAtOnce(MoviePlayerView& view)
{
    auto* fake = new FakeMediaPlayer(&view);
    fake->duration = 10000;
    QObject::connect(fake, &MediaPlayer::statusChanged, fake, [fake](MediaPlayer::ItemStatus s) {
        if (s == MediaPlayer::ItemStatus::Unknown) QTimer::singleShot(0, fake, [fake] { fake->becomeReady(); });
    });
    return fake;
}

} // namespace

// Takes the URLs handed to the desktop instead of a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

class TestMenuCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        useTemporaryStore(m_dir.path());
    }
    void init()
    {
        const auto s = SettingsStore::open();
        s->clear();
        s->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
        UserDefaultUtil::resetToInitialValues();
        restartRequested = false;
    }
    void cleanup()
    {
        InstanceGuard::releaseAll();
        CardDriveSelectDialog::setDefaultSource({});
    }

    void theViewerSettingsOpenOnlyWhileTheirGuardIsFree()
    {
        AlertLog alerts;
        MainWindow window(nullptr, quiet());
        QVERIFY(InstanceGuard::tryAcquire(InstanceGuard::VIEWER_SETTING));
        window.viewerSettingsAction()->trigger();
        QCOMPARE(alerts.alerts.size(), 1);
        InstanceGuard::release(InstanceGuard::VIEWER_SETTING);

        bool opened = false;
        whenModalHosts<ViewerSettingDialog>([&](ViewerSettingDialog* d, ModalWindow* w) {
            opened = InstanceGuard::isHeldHere(InstanceGuard::VIEWER_SETTING) &&
                     w->type() == ModalWindow::Type::ViewerSetting && w->windowTitle() == QLatin1String("Viewer Settings");
            d->btnCancel->click();
        });
        window.viewerSettingsAction()->trigger();
        QVERIFY(opened);
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::VIEWER_SETTING));
    }

    void theFirstLaunchIsMarkedDoneOnceTheDialogWasShown()
    {
        SettingsStore::open()->remove(UserDefaultUtil::KEY_FIRST_LAUNCH);
        bool storedWhileOpen = true;
        whenModalHosts<ViewerSettingDialog>([&](ViewerSettingDialog* d, ModalWindow*) {
            storedWhileOpen = SettingsStore::open()->contains(UserDefaultUtil::KEY_FIRST_LAUNCH);
            d->btnCancel->click();
        });
        MainWindow window(nullptr, quiet());
        QTRY_VERIFY(SettingsStore::open()->value(UserDefaultUtil::KEY_FIRST_LAUNCH).toBool());
        QVERIFY(!storedWhileOpen);
    }

    void cameraSettingsReadTheCardAndWriteGroupDatThere()
    {
        AlertLog alerts;
        MainWindow window(nullptr, quiet());
        // No drive: told so, the guard given back. (The player's settings
        // button takes the same road as the menu.)
        CardDriveSelectDialog::setDefaultSource(std::make_shared<FixedCardDriveSource>(QStringList{}));
        window.playController()->showCameraSettings();
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("Unable to locate the selected drive.")});
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::CAMERA_SETTING));

        const QString drive = m_dir.filePath(QStringLiteral("CARD"));
        cardgen::CardOptions card;
        card.managementFiles = false;
        cardgen::writeCard(drive, card);
        CardDriveSelectDialog::setDefaultSource(std::make_shared<FixedCardDriveSource>(QStringList{drive}));
        alerts.alerts.clear();

        QString shownSensitivity;
        bool pickerGuarded = false;
        whenModalHosts<CardDriveSelectDialog>([&](CardDriveSelectDialog* picker, ModalWindow*) {
            pickerGuarded = InstanceGuard::isHeldHere(InstanceGuard::CAMERA_SETTING);
            whenModalHosts<CameraSettingDialog>([&](CameraSettingDialog* d, ModalWindow* w) {
                shownSensitivity = d->txtDtlSns->text();
                QCOMPARE(w->windowTitle(), QStringLiteral("Camera Settings"));
                d->btnOk->click();
            });
            picker->btnOk()->click();
        });
        window.cameraSettingsAction()->trigger();
        QVERIFY(pickerGuarded);
        QCOMPARE(shownSensitivity, QStringLiteral("0.45"));
        QVERIFY(alerts.messages().value(1).startsWith(QStringLiteral("The camera settings have been saved.")));
        SettingInfo written;
        written.Load(QDir(drive).filePath(QStringLiteral("GROUP.DAT")));
        QCOMPARE(written.getGTrgLevel(), 45);
        QCOMPARE(written.getRecFileCnt(), 150);
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::CAMERA_SETTING));
        QCOMPARE(SettingsStore::open()->value(UserDefaultUtil::KEY_BODY_CARD_DRIVE_SELECT).toString(),
                 QStringLiteral("CARD"));

        // Without SETINF.DAT: the warning, then the dialog with its defaults.
        QFile::remove(QDir(drive).filePath(QStringLiteral("SETINF.DAT")));
        alerts.alerts.clear();
        whenModalHosts<CardDriveSelectDialog>([&](CardDriveSelectDialog* picker, ModalWindow*) {
            whenModalHosts<CameraSettingDialog>([&](CameraSettingDialog* d, ModalWindow*) {
                shownSensitivity = d->txtDtlSns->text();
                d->btnCancel->click();
            });
            picker->btnOk()->click();
        });
        window.cameraSettingsAction()->trigger();
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("Unable to read the setup file.")});
        QCOMPARE(alerts.alerts.value(0).buttons, QStringList{QStringLiteral("OK")});
        QCOMPARE(shownSensitivity, QStringLiteral("0.50"));
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::CAMERA_SETTING));
    }

    void commandsAreRefusedWhileAnotherCopyHoldsTheirGuard()
    {
        AlertLog alerts;
        MainWindow window(nullptr, quiet());
        const QString drive = m_dir.filePath(QStringLiteral("GUARDED"));
        cardgen::CardOptions card;
        card.managementFiles = false;
        cardgen::writeCard(drive, card);
        CardDriveSelectDialog::setDefaultSource(std::make_shared<FixedCardDriveSource>(QStringList{drive}));
        for (const QString& key : {InstanceGuard::CAMERA_SETTING, InstanceGuard::BACKUP_DIRECTORY_SETTING}) {
            QLockFile other(QDir(InstanceGuard::lockDirectory()).filePath(key + QStringLiteral(".lock")));
            QVERIFY(other.tryLock(0));
            alerts.alerts.clear();
            // Whatever would open instead is noted and closed.
            bool opened = false;
            QObject scope;
            auto* watch = new QTimer(&scope);
            connect(watch, &QTimer::timeout, &scope, [&] {
                if (auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                    opened = true;
                    panel->reject();
                } else if (ModalWindow* w = ModalWindow::current()) {
                    opened = true;
                    w->endModalRun();
                }
            });
            watch->start(10);
            (key == InstanceGuard::CAMERA_SETTING ? window.cameraSettingsAction() : window.backupDirectoryAction())
                ->trigger();
            QVERIFY(!opened);
            QCOMPARE(alerts.messages(), QStringList{QStringLiteral("The selected file operation is currently in use "
                                                                   "by another instance of the application.")});
            QCOMPARE(alerts.alerts[0].style, Alerts::Style::Critical);
            // The other copy's hold is left alone.
            QVERIFY(!InstanceGuard::isHeldHere(key));
            QVERIFY(!InstanceGuard::tryAcquire(key));
            other.unlock();
        }
    }

    void theBackupDirectoryIsStoredOnlyWhenTheUserChoosesOne()
    {
        const QString earlier = m_dir.filePath(QStringLiteral("earlier-backups"));
        const QString chosen = m_dir.filePath(QStringLiteral("new-backups"));
        QVERIFY(QDir().mkpath(earlier) && QDir().mkpath(chosen));
        SettingsStore::open()->setValue(UserDefaultUtil::KEY_PATH_BACKUP, earlier);
        MainWindow window(nullptr, quiet());
        QWidget stopwatch(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
        stopwatch.show();
        window.controller()->addFloatingWindow(&stopwatch);

        bool heldWhileOpen = false, loweredWhileOpen = false;
        QString startedIn;
        whenPanelOpens([&](QFileDialog* panel) {
            heldWhileOpen = InstanceGuard::isHeldHere(InstanceGuard::BACKUP_DIRECTORY_SETTING);
            loweredWhileOpen = !stopwatch.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            startedIn = panel->directory().absolutePath();
            panel->reject();
        });
        window.backupDirectoryAction()->trigger();
        QVERIFY(heldWhileOpen);
        QVERIFY(loweredWhileOpen);
        QCOMPARE(startedIn, earlier);
        // Cancelled: the lock is given back, the path kept, the stopwatch floats again.
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::BACKUP_DIRECTORY_SETTING));
        QCOMPARE(SettingsStore::open()->value(UserDefaultUtil::KEY_PATH_BACKUP).toString(), earlier);
        QVERIFY(stopwatch.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        whenPanelOpens([&](QFileDialog* panel) {
            // Inside the folder with nothing picked: the folder itself is the
            // choice. (Picking it by name from its parent depends on the
            // panel's background listing having reached it.)
            panel->setDirectory(chosen);
            static_cast<QDialog*>(panel)->accept();
        });
        window.backupDirectoryAction()->trigger();
        QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::BACKUP_DIRECTORY_SETTING));
        QCOMPARE(QDir(SettingsStore::open()->value(UserDefaultUtil::KEY_PATH_BACKUP).toString()), QDir(chosen));
        QCOMPARE(QDir(UserDefaultUtil::pathBackup), QDir(chosen));
    }

    void theMenusHoldTheirCommandsAndOfferBackupsOfACardOnly()
    {
        const auto card = cardgen::writeCard(m_dir.filePath(QStringLiteral("offered")), mixedCard());
        ViewController::Options o = quiet();
        o.loadDelayMs = 0;
        o.playerFactory = readyAtOnce;
        MainWindow window(nullptr, o);

        // Each menu with its commands in order; Quit and About stand in for
        // the application menu this platform does not have.
        QStringList menus;
        QList<QAction*> commands;
        for (QAction* menu : window.menuBar()->actions()) {
            QStringList items;
            for (QAction* item : menu->menu()->actions())
                if (!item->isSeparator()) {
                    items << item->text();
                    commands << item;
                }
            menus << menu->text() + QStringLiteral(": ") + items.join(QStringLiteral(", "));
        }
        QCOMPARE(menus, (QStringList{QStringLiteral("File: Open, Save as, Quit"),
                                     QStringLiteral("Settings: Viewer Settings, Camera Settings, Backup Directory Settings"),
                                     QStringLiteral("Back up: Back up, Delete"),
                                     QStringLiteral("Help: About KORVELTA REPLAY, Download Updates")}));
        QCOMPARE(commands, (QList<QAction*>{window.openAction(), window.saveAsAction(), window.quitAction(),
                                            window.viewerSettingsAction(), window.cameraSettingsAction(),
                                            window.backupDirectoryAction(), window.backupAction(),
                                            window.deleteBackupAction(), window.aboutAction(),
                                            window.downloadUpdatesAction()}));

        // Either menu holding a backup command tells whether it is offered.
        QMenu* file = window.menuBar()->actions().at(0)->menu();
        QMenu* backup = window.menuBar()->actions().at(2)->menu();
        const auto offered = [&](bool yes) {
            for (QMenu* menu : {file, backup}) {
                window.saveAsAction()->setEnabled(!yes);
                window.backupAction()->setEnabled(!yes);
                Q_EMIT menu->aboutToShow();
                if (window.saveAsAction()->isEnabled() != yes || window.backupAction()->isEnabled() != yes)
                    return false;
            }
            return true;
        };
        QVERIFY(offered(false)); // nothing open
        QSignalSpy loaded(window.controller(), &ViewController::loadFinished);
        for (const MovieType kind : {MovieType::Card, MovieType::Backup, MovieType::PC, MovieType::Card}) {
            window.controller()->loadData(card.moveDir, true, kind);
            QVERIFY(loaded.wait(20000));
            QTRY_VERIFY(window.playController()->isReadyToPlay());
            QVERIFY(offered(kind == MovieType::Card));
        }
        // While another source loads, nothing is there to back up.
        window.controller()->loadData(card.moveDir, true, MovieType::Card);
        QVERIFY(offered(false));
        QVERIFY(loaded.wait(20000));
    }

    void quitSavesThePlayersStateWhenTheMapTellsNoZoom()
    {
        for (const std::optional<int> zoom : {std::optional<int>(), std::optional<int>(12)}) {
            SettingsStore::open()->clear();
            AlertLog alerts;
            ReadyPlayer player;
            player.mute = true;
            player.gamma = 1.7;
            AnsweringMap map;
            map.zoom = zoom;
            MainWindow window(nullptr, offlineOptions(false));
            window.controller()->setPlayer(&player);
            window.controller()->setMap(&map);
            window.show();
            QVERIFY(window.close());
            QCOMPARE(alerts.messages(), QStringList{QStringLiteral("This will close KORVELTA REPLAY. Proceed?")});
            const auto store = SettingsStore::open();
            // No zoom told: none stored (nor one made up); the rest is saved all the same.
            QCOMPARE(store->contains(UserDefaultUtil::KEY_MAP_ZOOM), zoom.has_value());
            if (zoom) QCOMPARE(store->value(UserDefaultUtil::KEY_MAP_ZOOM).toInt(), *zoom);
            QVERIFY(store->value(UserDefaultUtil::KEY_VIEWER_IS_MUTE).toBool());
            QCOMPARE(store->value(UserDefaultUtil::KEY_VIEWER_GAMMA).toDouble(), 1.7);
            window.controller()->setPlayer(nullptr);
            window.controller()->setMap(nullptr);
        }
    }

    void downloadUpdatesOpensThePageOnTheUpdateServer()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
        SettingsStore::open()->setValue(QStringLiteral("updateServer"), QStringLiteral("updates.example.org"));
        MainWindow window(nullptr, quiet());
        window.downloadUpdatesAction()->trigger();
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(catcher.urls,
                 QList<QUrl>{QUrl(QStringLiteral("https://updates.example.org/top/driverecorder/KorveltaReplay/index.html"))});
    }

    void quitAsksOnlyWhileAMovieIsReadyAndSavesThePlayersState()
    {
        // Nothing loaded: no question; mute and brightness are saved.
        {
            AlertLog alerts;
            MainWindow window(nullptr, quiet());
            window.show();
            window.moviePlayerView()->setIsMute(true);
            window.moviePlayerView()->brightSlider->setDoubleValue(1.5);
            QVERIFY(window.close());
            QVERIFY(alerts.alerts.isEmpty());
            const auto store = SettingsStore::open();
            QVERIFY(store->value(UserDefaultUtil::KEY_VIEWER_IS_MUTE).toBool());
            QCOMPARE(store->value(UserDefaultUtil::KEY_VIEWER_GAMMA).toDouble(), 1.5);
        }
        SettingsStore::open()->clear();

        // A movie ready: the question; Cancel keeps the window and drops a
        // requested restart; OK saves and closes.
        const auto card = cardgen::writeCard(m_dir.filePath(QStringLiteral("movies")), mixedCard());
        ViewController::Options o = quiet();
        o.loadDelayMs = 0;
        o.playerFactory = [](MoviePlayerView& view) -> MediaPlayer* {
            auto* fake = new FakeMediaPlayer(&view);
            fake->duration = 10000;
            QObject::connect(fake, &MediaPlayer::statusChanged, fake, [fake](MediaPlayer::ItemStatus s) {
                if (s == MediaPlayer::ItemStatus::Unknown) QTimer::singleShot(0, fake, [fake] { fake->becomeReady(); });
            });
            return fake;
        };
        MainWindow window(nullptr, o);
        window.show();
        QSignalSpy loaded(window.controller(), &ViewController::loadFinished);
        window.controller()->loadData(card.moveDir, false, MovieType::Card);
        QVERIFY(loaded.wait(20000));
        QTRY_VERIFY(window.playController()->isReadyToPlay());

        int answer = Alerts::FIRST_BUTTON + 1;
        QStringList asked;
        Alerts::setInterceptor([&](const Alerts::Alert& a) {
            asked << a.message;
            return answer;
        });
        restartRequested = true;
        window.moviePlayerView()->brightSlider->setDoubleValue(2.5);
        QVERIFY(!window.close());
        QCOMPARE(asked, QStringList{QStringLiteral("This will close KORVELTA REPLAY. Proceed?")});
        QVERIFY(window.isVisible());
        QVERIFY(!restartRequested);
        QVERIFY(SettingsStore::open()->value(UserDefaultUtil::KEY_VIEWER_GAMMA).toDouble() != 2.5);
        answer = Alerts::FIRST_BUTTON;
        QVERIFY(window.close());
        Alerts::setInterceptor({});
        QCOMPARE(SettingsStore::open()->value(UserDefaultUtil::KEY_VIEWER_GAMMA).toDouble(), 2.5);
    }

    void quitFreesThePictureDataOffTheGuiThread()
    {
        // The first chapter's picture data is the test's own, which tells on
        // which thread it is freed (stored while the load's read of the
        // chapter is held). A view of the window holds the trip's chapters
        // after the data was closed, as the stopwatch did at a quit after
        // its data had been deleted.
        const auto card = cardgen::writeCard(m_dir.filePath(QStringLiteral("quit")), mixedCard());
        AlertLog alerts;
        HeldCardReads held;
        ViewController::Options o = quiet();
        o.loadDelayMs = 0;
        o.playerFactory = readyAtOnce;
        auto window = std::make_unique<MainWindow>(nullptr, o);
        QSignalSpy loaded(window->controller(), &ViewController::loadFinished);
        window->controller()->loadData(card.moveDir, true, MovieType::Card);
        QVERIFY(QTest::qWaitFor([] { return HeldCardReads::reads.load() >= 1; }, 20000));
        std::atomic<int> freed{0}; // 1: on the GUI thread, 2: on another
        const std::shared_ptr<TripData> trip = window->controller()->cardData()->tripList().value(0);
        {
            auto video = std::make_shared<VideoInfo>();
            video->_fileVersion = OpenData::KNOWN_FORMAT;
            video->completeTables();
            const std::shared_ptr<const PictureData> own(new PictureData(video), [&freed](const PictureData* p) {
                freed = QThread::currentThread() == qApp->thread() ? 1 : 2;
                delete p;
            });
            QCOMPARE(trip->firstChapter()->storePicture(own), own);
        }
        HeldCardReads::letGo();
        QVERIFY(loaded.wait(20000));
        QVERIFY(playerSettles(*window->moviePlayerView()));
        QVERIFY2(alerts.alerts.isEmpty(), qPrintable(alerts.messages().join(QLatin1Char('|'))));

        struct ChapterHolder : QWidget {
            using QWidget::QWidget;
            ChapterList chapters;
        };
        (new ChapterHolder(window.get()))->chapters = trip->chapterDataList();
        bool closed = false;
        window->controller()->closeOpenData([&closed] { closed = true; });
        QTRY_VERIFY_WITH_TIMEOUT(closed, 20000);
        window.reset();
        CardData::waitForDisposals();
        QCOMPARE(freed.load(), 2);
    }

    void closingTheOpenDataEndsItsWorkersBeforeItGoesOn()
    {
        // Before files under the open data are deleted: no worker of its
        // catalogue may still be reading them, so the catalogue is gone.
        cardgen::CardOptions co;
        cardgen::TripOptions trip = tripOf(12, 0, 3);
        trip.format.realVideo = true;
        co.trips = {trip};
        co.videoCacheDir = m_dir.filePath(QStringLiteral("cache"));
        const auto card = cardgen::writeCard(m_dir.filePath(QStringLiteral("busy")), co);
        ViewController::Options o = quiet();
        o.loadDelayMs = 0;
        MainWindow window(nullptr, o);
        QSignalSpy loaded(window.controller(), &ViewController::loadFinished);
        window.controller()->loadData(card.moveDir, false, MovieType::Card);
        QVERIFY(loaded.wait(20000));
        // The finished load's own hand-over is let go of first, as it is
        // long before a user gets to a delete.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        std::weak_ptr<CardData> open = window.controller()->cardData();
        QVERIFY(!open.expired());
        bool atRest = false;
        bool closed = false;
        window.controller()->closeOpenData([&] {
            const auto card = open.lock();
            atRest = !card || (card->isDisposed() && !card->workersRunning());
            closed = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(closed, 20000);
        QVERIFY(atRest);
        QTRY_VERIFY(open.expired());
    }

    void fullScreenAndMinimisingMoveThePanelsAndFloatingWindowsAside()
    {
        MainWindow window(nullptr, quiet());
        window.show();
        QWidget shown, hidden;
        shown.show();
        window.controller()->addFloatingWindow(&shown);
        window.controller()->addFloatingWindow(&hidden);
        QWidget* left = window.findChild<QWidget*>(QStringLiteral("leftColumn"));
        MoviePlayerView* player = window.moviePlayerView();

        window.showFullScreen();
        QVERIFY(window.controller()->isFullscreenLayout());
        QVERIFY(!left->isVisible());
        QVERIFY(!player->toolsView->isVisible());
        QVERIFY(player->fullscreenButton->isChecked());
        QVERIFY(!shown.isVisible());
        window.showNormal();
        QVERIFY(!window.controller()->isFullscreenLayout());
        QVERIFY(left->isVisible() && player->toolsView->isVisible());
        QVERIFY(!player->fullscreenButton->isChecked());
        QVERIFY(shown.isVisible());
        QVERIFY(!hidden.isVisible()); // hidden before, hidden after

        window.showMinimized();
        QVERIFY(!shown.isVisible());
        window.showNormal();
        QVERIFY(shown.isVisible());
        QVERIFY(!hidden.isVisible());
    }

private:
    QTemporaryDir m_dir;
};

KR_TEST_MAIN(TestMenuCommands)
#include "tst_menucommands.moc"
