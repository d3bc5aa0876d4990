// How long the GUI thread stalls while the real main window goes through a
// user's session with a large card, and how fast the window shows and quits.
//
// A session: a window is closed while it opens the card (the quit must not
// wait for the load); then the window opens (with the map), a backup folder of 2,000
// chapters is opened (a one-hour trip of 60 one-minute chapters first, then
// 97 trips of 20 ten-second chapters, with G events, a switch press and a
// surveillance recording), its first trip plays at 10x across chapter loads
// with every panel and the map shown, the track bar is moved three times,
// the stopwatch runs with two laps, a still is captured, the backup holding
// the open data is deleted through "Delete", and the window is closed. A
// stall monitor (StallMonitor.h) watches the GUI thread throughout and names
// the place of every long stall. The session runs twice: on local files, and
// with every read of a recording slowed down as a slow card would (a delay
// before each read, through the card-read hook that the recording readers
// and the movie decoding of thumbnails and stills go through; libmpv's own
// reads are not slowed).
//
// Launch: the program starts itself as a child three times each way, once
// showing the real main window as the application does, once a plain Qt
// window holding a web view, and compares the times until each window is
// first drawn.
//
// Targets: no stall over 16 ms on local files and none over 50 ms on the slow
// card; quit (close to the end of the last worker) within 300 ms; the main
// window shown within 1.2 times the web-view window's time.
//
// Run: bench/run-gui-stalls.sh (builds and runs under Xvfb), or
//   build/bench/bench_gui_stalls [--play-seconds 60] [--slow-read-ms 200] [--only local|slow|launch]
//                                [--top 12] [--launch-rounds 3]
#include "../tests/support/ModalHosts.h"
#include "CardGen.h"
#include "StallMonitor.h"

#include "app/backup/BackUpFolderSelectDialog.h"
#include "app/backup/CleanupDialog.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/PlayController.h"
#include "app/mainwindow/ViewController.h"
#include "app/map/MapController.h"
#include "app/map/WebMapView.h"
#include "app/panels/DrivingInfoController.h"
#include "app/panels/DrivingInfoView.h"
#include "app/player/CustomSliderCell.h"
#include "app/player/CustomSliderCellMin.h"
#include "app/player/MoviePlayerView.h"
#include "app/shell/Alerts.h"
#include "app/shell/Application.h"
#include "app/shell/ModalWindow.h"
#include "app/tools/CaptureView.h"
#include "app/tools/StopWatchView.h"
#include "app/tools/ToolController.h"
#include "app/tools/ToolSupport.h"
#include "core/catalog/CardData.h"
#include "core/foundation/CardReads.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QWebEngineView>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

constexpr double LOCAL_STALL_TARGET_MS = 16.0;
constexpr double SLOW_STALL_TARGET_MS = 50.0;
constexpr double QUIT_TARGET_MS = 300.0;
constexpr double LAUNCH_TARGET_RATIO = 1.2;

struct Settings {
    int playSeconds = 60;
    int slowReadMs = 200;
    QString only;
    int top = 12;
    int launchRounds = 3;
};

std::atomic<int> g_slowReadMs{200};

// Every read of a recording waits as on a slow card.
void slowRead()
{
    QThread::msleep(static_cast<unsigned long>(g_slowReadMs.load()));
}

void progress(const QString& text)
{
    std::fputs(qPrintable(QStringLiteral("... ") + text + QLatin1Char('\n')), stderr);
}

void out(const QString& text)
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// Runs the event loop until done() or the time is up; between looks the
// GUI thread waits in its event loop, as the application's does.
bool waitFor(const std::function<bool()>& done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void runEventsFor(int ms)
{
    waitFor([] { return false; }, ms);
}

// Ends the modal runs still open, innermost first, once the call in hand
// has returned to their loops.
void endModalRuns()
{
    auto* timer = new QTimer();
    timer->setInterval(50);
    auto left = std::make_shared<int>(20);
    QObject::connect(timer, &QTimer::timeout, [timer, left] {
        if (ModalWindow::current() && --*left > 0) {
            ModalWindow::abortModal();
            return;
        }
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
}

// Waits (inside the nested loops of modal runs too) until a window is first drawn.
class FirstDrawing : public QObject {
public:
    explicit FirstDrawing(QWidget* window)
    {
        window->createWinId();
        window->windowHandle()->installEventFilter(this);
        m_window = window->windowHandle();
    }
    bool drawn() const { return m_drawn; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_drawn || watched != m_window || event->type() != QEvent::Expose) return false;
        // The window paints and flushes while it handles its first exposure.
        watched->event(event);
        if (m_window->isExposed()) m_drawn = true;
        return true;
    }

private:
    QWindow* m_window = nullptr;
    bool m_drawn = false;
};

// The settings of a run of its own: past the first launch, every panel and
// the map shown, backups in the given folder, operation locks of its own.
void useOwnSettings(const QString& folder)
{
    SettingsStore::useFile(QDir(folder).filePath(QStringLiteral("settings.ini")));
    InstanceGuard::setLockDirectory(QDir(folder).filePath(QStringLiteral("locks")));
    auto store = SettingsStore::open();
    store->setValue(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
    store->setValue(UserDefaultUtil::KEY_DISP_SPEED_METER, true);
    store->setValue(UserDefaultUtil::KEY_DISP_CIRCLE_CHART, true);
    store->setValue(UserDefaultUtil::KEY_PATH_BACKUP, QDir(folder).filePath(QStringLiteral("backups")));
    UserDefaultUtil::resetToInitialValues();
    UserDefaultUtil::load();
}

// ---- launch ----

// The child: shows one window and says when it is first drawn.
int launchChild(int argc, char** argv, const QString& kind, const QString& folder)
{
    Application::prepareProcess();
    QApplication app(argc, argv);
    Application::setUp(app);
    useOwnSettings(folder);
    std::unique_ptr<QWidget> window;
    if (kind == QLatin1String("main")) {
        ViewController::Options options; // as the application makes it
        options.withMap = true;
        window = std::make_unique<MainWindow>(nullptr, options);
    } else {
        auto plain = std::make_unique<QMainWindow>();
        auto* view = new QWebEngineView(plain.get());
        view->setHtml(QStringLiteral("<html><body><h1>Map</h1></body></html>"));
        plain->setCentralWidget(view);
        plain->resize(1280, 800);
        window = std::move(plain);
    }
    FirstDrawing drawing(window.get());
    window->show();
    if (!waitFor([&] { return drawing.drawn(); }, 60000)) return 2;
    out(QStringLiteral("shown"));
    return 0;
}

// The parent's time from starting a child to its "shown".
double launchOnce(const QString& kind, const QString& folder)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--launch"), kind, QStringLiteral("--folder"), folder});
    QByteArray seen;
    while (!seen.contains("shown") && child.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
        child.waitForReadyRead(50);
        seen += child.readAllStandardOutput();
    }
    const double ms = seen.contains("shown") ? double(clock.nsecsElapsed()) / 1e6 : -1.0;
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished();
    }
    return ms;
}

double median(std::vector<double> v)
{
    if (v.empty()) return -1.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// ---- the session ----

cardgen::CardOptions largeCard()
{
    constexpr quint32 START = 1773523800; // 2026-03-15 08:30 in Sydney
    cardgen::CardOptions o;
    // A backup folder holds the recordings and their index files only.
    o.versionFile = false;
    o.settingsFile = false;
    cardgen::TripOptions hour;
    hour.chapters = 60;
    hour.chapterSeconds = 60;
    hour.drive.startTime = START;
    hour.drive.profile = cardgen::SpeedProfile::Highway;
    hour.drive.speedLimitKmh = 110;
    hour.drive.incidents = {{cardgen::Incident::Kind::GShock, 5 * 60000 + 12000, true},
                            {cardgen::Incident::Kind::SwitchPress, 20 * 60000, true},
                            {cardgen::Incident::Kind::GShock, 41 * 60000 + 30000, true}};
    hour.adventureFirstChapter = 10;
    hour.adventureChapters = 5;
    o.trips.push_back(hour);
    for (int t = 0; t < 97; ++t) {
        cardgen::TripOptions trip;
        trip.chapters = 20;
        trip.chapterSeconds = 10;
        trip.drive.startTime = START + quint32(2 + t) * 3600;
        trip.drive.startStamp = 5000 + quint32(t + 1) * 1000;
        trip.drive.seed = quint64(t) + 7;
        if (t % 20 == 3) trip.drive.incidents = {{cardgen::Incident::Kind::GShock, 45000, true}};
        if (t == 50) {
            trip.drive.profile = cardgen::SpeedProfile::Parked;
            trip.drive.incidents = {{cardgen::Incident::Kind::Surveillance, 30000, true}};
        }
        o.trips.push_back(trip);
    }
    return o;
}

struct SessionResult {
    QString name;
    double openMs = -1;
    int chaptersPlayed = 0;
    double quitMs = -1;
    double quitWhileOpeningMs = -1;
    bool closedWhileLoading = false;
    QString quitSteps;
    double longestMs = 0;
    int over16 = 0;
    int over50 = 0;
    QStringList phaseLines;
    QStringList notes;
    QString worst;
    QString places;
    double target = 0;
};

// Answers every alert with its "OK" (its only or first button otherwise),
// and keeps what was asked.
struct AlertAnswers {
    QStringList seen;
    AlertAnswers()
    {
        Alerts::setInterceptor([this](const Alerts::Alert& a) {
            seen << a.message.section(QLatin1Char('\n'), 0, 0);
            const qsizetype ok = a.buttons.indexOf(Alerts::buttonOk());
            return Alerts::FIRST_BUTTON + int(std::max<qsizetype>(ok, 0));
        });
    }
    ~AlertAnswers() { Alerts::setInterceptor({}); }
};

// The main window as the application makes it, shown (noted when it was not
// in time).
MainWindow* showMainWindow(SessionResult& result)
{
    ViewController::Options options;
    options.withMap = true;
    auto* window = new MainWindow(nullptr, options);
    window->resize(1280, 800);
    window->show();
    if (!waitFor([&] { return window->windowHandle() && window->windowHandle()->isExposed(); }, 20000))
        result.notes << QStringLiteral("the window was not shown");
    return window;
}

SessionResult runSession(const QString& name, bool slow, const Settings& settings, const QString& folder)
{
    SessionResult result;
    result.name = name;
    result.target = slow ? SLOW_STALL_TARGET_MS : LOCAL_STALL_TARGET_MS;
    useOwnSettings(folder);
    const QString backups = QDir(folder).filePath(QStringLiteral("backups"));
    const QString backup = QDir(backups).filePath(QStringLiteral("Card2000"));
    {
        QDir(backup).removeRecursively();
        QDir().mkpath(backups);
        const QString staging = QDir(folder).filePath(QStringLiteral("staging"));
        QDir(staging).removeRecursively();
        const cardgen::WrittenCard card = cardgen::writeCard(staging, largeCard());
        QDir().rename(card.moveDir, backup);
        QDir(staging).removeRecursively();
    }
    AlertAnswers alerts;
    ToolSupport::setSavePanel([folder](const QString&, const QString& suffix) {
        return QDir(folder).filePath(QStringLiteral("capture.") + suffix);
    });

    StallMonitor monitor;
    g_slowReadMs.store(settings.slowReadMs);
    CardReads::setBeforeReadHook(slow ? &slowRead : nullptr);
    QElapsedTimer clock;
    monitor.start();

    // Closing the window while the card is being opened: the load reads its
    // first recording then (after its 0.4 s wait).
    monitor.setPhase(QStringLiteral("quit while opening"));
    progress(name + QStringLiteral(": ") + monitor.phase());
    {
        MainWindow* window = showMainWindow(result);
        runEventsFor(1000);
        window->controller()->loadData(backup, true, MovieType::Backup);
        runEventsFor(slow ? 1500 : 450);
        result.closedWhileLoading = window->controller()->isLoading();
        clock.start();
        window->close();
        delete window;
        QCoreApplication::processEvents();
        CardData::waitForDisposals();
        QThreadPool::globalInstance()->waitForDone();
        result.quitWhileOpeningMs = double(clock.nsecsElapsed()) / 1e6;
        QCoreApplication::processEvents();
    }

    // The window, as the application makes it.
    monitor.setPhase(QStringLiteral("window"));
    progress(name + QStringLiteral(": ") + monitor.phase());
    MainWindow* window = showMainWindow(result);
    WebMapView* map = window->mapController() ? window->mapController()->webMapView() : nullptr;
    if (!map || !waitFor([&] { return map->isPageReady(); }, 30000))
        result.notes << QStringLiteral("the map page did not become ready");
    runEventsFor(500);

    // Open the card as "Open From" does with a backup folder.
    monitor.setPhase(QStringLiteral("open card"));
    progress(name + QStringLiteral(": ") + monitor.phase());
    ViewController* controller = window->controller();
    MoviePlayerView* player = window->moviePlayerView();
    bool loaded = false;
    QObject::connect(controller, &ViewController::loadFinished, [&loaded] { loaded = true; });
    clock.start();
    controller->loadData(backup, true, MovieType::Backup);
    if (!waitFor([&] { return loaded; }, 300000)) result.notes << QStringLiteral("the card did not open");
    result.openMs = double(clock.nsecsElapsed()) / 1e6;
    if (!waitFor([&] { return player->currentStatus() == CommonConst::PlayStatus::Play; }, 120000))
        result.notes << QStringLiteral("the first trip did not play");

    // Play at 10x.
    monitor.setPhase(QStringLiteral("play at 10x"));
    progress(name + QStringLiteral(": ") + monitor.phase());
    player->playSpeedSlider->setDoubleValue(5);
    player->applyPlaySpeed();
    if (player->currentStatus() != CommonConst::PlayStatus::Play) player->play();
    const DrivingInfoView* panel =
        window->drivingInfoController() ? window->drivingInfoController()->view() : nullptr;
    if (!panel || !panel->isVisible()) result.notes << QStringLiteral("the driving-data panel is not shown");
    if (!map || !map->isVisible()) result.notes << QStringLiteral("the map is not shown");
    const qsizetype firstChapter = player->_valueInfo->currentIndex();
    runEventsFor(settings.playSeconds * 1000);
    result.chaptersPlayed = int(player->_valueInfo->currentIndex() - firstChapter);

    // Three moves of the track bar, as a drag ends.
    monitor.setPhase(QStringLiteral("seek"));
    progress(name + QStringLiteral(": ") + monitor.phase());
    for (double share : {0.25, 0.75, 0.1}) {
        CustomSliderCell* bar = player->trackbar;
        bar->setIntegerValue(qint64(bar->minValue() + share * (bar->maxValue() - bar->minValue())));
        player->userValueChanged();
        runEventsFor(1500);
    }

    // The stopwatch: start, two laps, stop.
    monitor.setPhase(QStringLiteral("stopwatch"));
    progress(name + QStringLiteral(": ") + monitor.phase());
    ToolController* tools = window->playController()->tools();
    tools->showStopWatch();
    runEventsFor(300);
    if (StopWatchView* watch = tools->stopWatch()) {
        watch->btnStartStop()->click();
        runEventsFor(2000);
        watch->btnLapReset()->click();
        runEventsFor(2000);
        watch->btnLapReset()->click();
        runEventsFor(1000);
        watch->btnStartStop()->click();
        runEventsFor(300);
    } else {
        result.notes << QStringLiteral("no stopwatch");
    }

    // A still of the position.
    monitor.setPhase(QStringLiteral("capture"));
    progress(name + QStringLiteral(": ") + monitor.phase());
    whenModalHosts<CaptureView>([](CaptureView* capture, ModalWindow*) { capture->btnSave()->click(); },
                                60000);
    tools->openToolWindow(6);
    // The tool opens once its chapter is there and the still is written on a
    // worker: both may come after the call returns on a slow card.
    if (!waitFor([&] { return QFileInfo::exists(QDir(folder).filePath(QStringLiteral("capture.jpeg"))); },
                 20000))
        result.notes << QStringLiteral("no still was captured");
    player->play();
    runEventsFor(2000);

    // "Delete" of the backup that holds the open data.
    monitor.setPhase(QStringLiteral("delete backup"));
    progress(name + QStringLiteral(": ") + monitor.phase());
    whenModalHosts<BackUpFolderSelectDialog>(
        [backup](BackUpFolderSelectDialog* chooser, ModalWindow*) {
            chooser->cmbBackupFolder()->setCurrentText(QStringLiteral("Card2000"));
            whenModalHosts<CleanupDialog>(
                [backup](CleanupDialog* cleanup, ModalWindow*) {
                    // The folder is read in the background first.
                    waitFor([cleanup] { return !cleanup->isReading(); }, 20000);
                    cleanup->btnCheckOn()->click();
                    cleanup->btnOk()->click();
                    // The delete waits for the open data to close (the reads under
                    // way end first); then, back in the chooser (the folder went with
                    // its last chapter), whatever still runs is closed.
                    waitFor([&] { return !QFileInfo::exists(backup); }, 20000);
                    endModalRuns();
                },
                60000);
            chooser->btnOk()->click();
        },
        60000);
    controller->showDeleteBackupDialog();
    if (QFileInfo::exists(backup)) result.notes << QStringLiteral("the backup was not deleted");
    runEventsFor(1000);

    // Quit: the window closes, goes, and the application waits for what it
    // started, as main() does.
    // Each step of the end lets the monitor's timer fire once, so that each
    // shows as a stall of its own.
    monitor.setPhase(QStringLiteral("quit"));
    progress(name + QStringLiteral(": ") + monitor.phase());
    clock.start();
    window->close();
    delete window;
    const double windowGoneMs = double(clock.nsecsElapsed()) / 1e6;
    QCoreApplication::processEvents();
    monitor.setPhase(QStringLiteral("quit: workers"));
    CardData::waitForDisposals();
    const double workersMs = double(clock.nsecsElapsed()) / 1e6;
    QCoreApplication::processEvents();
    monitor.setPhase(QStringLiteral("quit: thumbnails"));
    CardData::removeThumbnailFolder();
    const double thumbnailsMs = double(clock.nsecsElapsed()) / 1e6;
    QCoreApplication::processEvents();
    monitor.setPhase(QStringLiteral("quit: jobs"));
    QThreadPool::globalInstance()->waitForDone();
    result.quitMs = double(clock.nsecsElapsed()) / 1e6;
    result.quitSteps =
        QStringLiteral("window closed and gone %1 ms, catalogue workers ended %2 ms, thumbnails "
                       "removed %3 ms, background jobs ended %4 ms")
            .arg(windowGoneMs, 0, 'f', 0)
            .arg(workersMs - windowGoneMs, 0, 'f', 0)
            .arg(thumbnailsMs - workersMs, 0, 'f', 0)
            .arg(result.quitMs - thumbnailsMs, 0, 'f', 0);
    QCoreApplication::processEvents();

    monitor.stop();
    CardReads::setBeforeReadHook(nullptr);
    ToolSupport::setSavePanel({});

    result.longestMs = monitor.longestMs();
    result.over16 = monitor.countOverMs(16.0);
    result.over50 = monitor.countOverMs(50.0);
    for (const QString& phase :
         {QStringLiteral("quit while opening"), QStringLiteral("window"), QStringLiteral("open card"),
          QStringLiteral("play at 10x"), QStringLiteral("seek"), QStringLiteral("stopwatch"),
          QStringLiteral("capture"), QStringLiteral("delete backup"), QStringLiteral("quit"),
          QStringLiteral("quit: workers"), QStringLiteral("quit: thumbnails"),
          QStringLiteral("quit: jobs")}) {
        int over = 0;
        for (const auto& s : monitor.stalls())
            if (s.phase == phase && s.ms > result.target) ++over;
        result.phaseLines << QStringLiteral("    %1 longest %2 ms, %3 over %4 ms")
                                 .arg(phase, -14)
                                 .arg(monitor.longestMs(phase), 8, 'f', 1)
                                 .arg(over, 3)
                                 .arg(result.target, 0, 'f', 0);
    }
    result.worst = monitor.report(settings.top);
    result.places = monitor.placesReport(result.target);
    if (!alerts.seen.isEmpty())
        result.notes << QStringLiteral("alerts answered: ") + alerts.seen.join(QStringLiteral(" | "));
    return result;
}

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    Settings settings;
    QString launchKind;
    QString launchFolder;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--launch" && hasValue)
            launchKind = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--folder" && hasValue)
            launchFolder = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--play-seconds" && hasValue)
            settings.playSeconds = std::max(1, atoi(argv[++i]));
        else if (a == "--slow-read-ms" && hasValue)
            settings.slowReadMs = std::max(0, atoi(argv[++i]));
        else if (a == "--only" && hasValue)
            settings.only = QString::fromLocal8Bit(argv[++i]);
        else if (a == "--top" && hasValue)
            settings.top = std::max(1, atoi(argv[++i]));
        else if (a == "--launch-rounds" && hasValue)
            settings.launchRounds = std::max(0, atoi(argv[++i]));
        else {
            std::fprintf(
                stderr,
                "usage: %s [--play-seconds N] [--slow-read-ms N] [--only local|slow|launch] [--top N] "
                "[--launch-rounds N]\n",
                argv[0]);
            return 2;
        }
    }
    if (!launchKind.isEmpty()) return launchChild(argc, argv, launchKind, launchFolder);

    Application::prepareProcess();
    StallMonitoredApplication app(argc, argv);
    Application::setUp(app);
    QTemporaryDir folder;
    out(QStringLiteral("GUI-thread stalls of the main window (platform %1)")
            .arg(QGuiApplication::platformName()));

    // Launch, the two kinds of window taking turns.
    bool launchMet = true;
    if (settings.launchRounds > 0 && (settings.only.isEmpty() || settings.only == QLatin1String("launch"))) {
        std::vector<double> mainTimes, plainTimes;
        for (int round = 0; round < settings.launchRounds; ++round) {
            plainTimes.push_back(launchOnce(QStringLiteral("webview"), folder.path()));
            mainTimes.push_back(launchOnce(QStringLiteral("main"), folder.path()));
        }
        const double mainMs = median(mainTimes);
        const double plainMs = median(plainTimes);
        const double ratio = plainMs > 0 ? mainMs / plainMs : -1.0;
        launchMet = ratio > 0 && ratio <= LAUNCH_TARGET_RATIO;
        const auto list = [](const std::vector<double>& v) {
            QStringList t;
            for (double ms : v)
                t << QString::number(ms, 'f', 0);
            return t.join(QStringLiteral(", "));
        };
        out(QStringLiteral("launch: main window shown in %1 ms, web-view window in %2 ms (medians of %3): "
                           "ratio %4, target %5: %6")
                .arg(mainMs, 0, 'f', 0)
                .arg(plainMs, 0, 'f', 0)
                .arg(settings.launchRounds)
                .arg(ratio, 0, 'f', 2)
                .arg(LAUNCH_TARGET_RATIO, 0, 'f', 1)
                .arg(verdict(launchMet)));
        out(QStringLiteral("    main window %1 ms; web-view window %2 ms")
                .arg(list(mainTimes), list(plainTimes)));
    }

    QList<SessionResult> results;
    if (settings.only.isEmpty() || settings.only == QLatin1String("local"))
        results << runSession(QStringLiteral("local files"), false, settings, folder.path());
    if (settings.only.isEmpty() || settings.only == QLatin1String("slow"))
        results << runSession(QStringLiteral("slow card (%1 ms a read)").arg(settings.slowReadMs), true,
                              settings, folder.path());

    bool allMet = launchMet;
    for (const SessionResult& r : results) {
        const bool stallsMet = r.longestMs <= r.target;
        const bool quitMet = r.quitMs >= 0 && r.quitMs <= QUIT_TARGET_MS;
        allMet = allMet && stallsMet && quitMet;
        out(QString());
        out(QStringLiteral("== %1: card opened in %2 ms, %3 chapters crossed while playing")
                .arg(r.name)
                .arg(r.openMs, 0, 'f', 0)
                .arg(r.chaptersPlayed));
        out(QStringLiteral("  longest stall %1 ms (target %2 ms): %3; stalls over 16 ms: %4, over 50 ms: %5")
                .arg(r.longestMs, 0, 'f', 1)
                .arg(r.target, 0, 'f', 0)
                .arg(verdict(stallsMet))
                .arg(r.over16)
                .arg(r.over50));
        out(QStringLiteral("  quit %1 ms (target %2 ms): %3")
                .arg(r.quitMs, 0, 'f', 0)
                .arg(QUIT_TARGET_MS, 0, 'f', 0)
                .arg(verdict(quitMet)));
        out(QStringLiteral("    ") + r.quitSteps);
        const bool quitOpeningMet = r.quitWhileOpeningMs >= 0 && r.quitWhileOpeningMs <= QUIT_TARGET_MS;
        allMet = allMet && quitOpeningMet;
        out(QStringLiteral("  quit while the card opened %1 ms (%2; target %3 ms): %4")
                .arg(r.quitWhileOpeningMs, 0, 'f', 0)
                .arg(r.closedWhileLoading ? QStringLiteral("the load was still reading")
                                          : QStringLiteral("the load had already ended"))
                .arg(QUIT_TARGET_MS, 0, 'f', 0)
                .arg(verdict(quitOpeningMet)));
        for (const QString& line : r.phaseLines)
            out(line);
        for (const QString& note : r.notes)
            out(QStringLiteral("  note: ") + note);
        out(QStringLiteral("  stalls over %1 ms by place (count, longest, in all, place, steps):")
                .arg(r.target, 0, 'f', 0));
        out(r.places);
        out(QStringLiteral(
            "  worst stalls, each with the events being delivered and the place (innermost first):"));
        out(r.worst);
    }
    out(allMet ? QStringLiteral("all targets met") : QStringLiteral("some targets MISSED"));
    return 0;
}
