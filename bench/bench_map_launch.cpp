// How soon the main window appears after the program starts, against two
// plain Qt windows in the same run: an empty one, and one holding a web
// view that is built before the window is shown. Each start is a fresh
// process (this program again, in a child mode), started in turn so that
// all three share the machine's load alike; "shown" is the end of the
// window's first exposure, after it has been drawn. For the application the
// moment its map has been built and its page has loaded is told as well;
// "app-eager" is the application with its map built before the window is
// shown, for comparison.
//
//   bench_map_launch [rounds]      (default 9; run under xvfb-run or offscreen)

#include "app/mainwindow/MainWindow.h"
#include "app/map/MapController.h"
#include "app/map/WebMapView.h"
#include "app/shell/Application.h"
#include "core/foundation/SettingsStore.h"

#include <QApplication>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <QWindow>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

namespace {

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Milliseconds since the parent started this process.
double sinceStart()
{
    return double(monotonicNs() - qEnvironmentVariable("KR_LAUNCH_T0").toLongLong()) / 1e6;
}

// Prints "shown <ms>" once the window's first exposure has been drawn.
class ShownReporter : public QObject {
public:
    explicit ShownReporter(QWidget* window, std::function<void()> then = {})
        : m_window(window), m_then(std::move(then))
    {
        window->windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && m_window->windowHandle()->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                std::printf("shown %.1f\n", sinceStart());
                std::fflush(stdout);
                if (m_then)
                    m_then();
                else
                    QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    QWidget* m_window;
    std::function<void()> m_then;
};

int child(int argc, char** argv, const QByteArray& kind)
{
    // As the application's own start does.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    if (kind == "bare") {
        QMainWindow window;
        window.resize(1280, 800);
        window.show();
        ShownReporter shown(&window);
        return app.exec();
    }
    if (kind == "webview") {
        QMainWindow window;
        auto* view = new QWebEngineView(&window);
        window.setCentralWidget(view);
        view->setUrl(QUrl(QStringLiteral("about:blank")));
        window.resize(1280, 800);
        window.show();
        ShownReporter shown(&window);
        return app.exec();
    }
    Application::setIdentity(app);
    ViewController::Options options;
    options.withMap = true;
    // No network in a measurement: both only start asynchronous requests.
    options.probeNetwork = false;
    options.checkForUpdates = false;
    MainWindow window(nullptr, options);
    window.controller()->setViewerSettingsLauncher([] { return true; });
    if (kind == "app-eager") window.mapController()->buildMap();
    window.show();
    MapController* map = window.mapController();
    ShownReporter shown(&window, [map] {
        WebMapView* web = map->webMapView();
        web->setNetworkAllowed(false);
        const auto done = [] {
            std::printf("map %.1f\n", sinceStart());
            std::fflush(stdout);
            QCoreApplication::quit();
        };
        if (web->isPageReady())
            done();
        else
            QObject::connect(web, &WebMapView::pageLoaded, web, done);
    });
    return app.exec();
}

double median(std::vector<double> v)
{
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (argc >= 3 && QByteArray(argv[1]) == "--child") return child(argc, argv, argv[2]);

    QCoreApplication app(argc, argv);
    const int rounds = argc >= 2 ? std::max(1, QByteArray(argv[1]).toInt()) : 9;
    QTemporaryDir home;
    const QStringList kinds{QStringLiteral("bare"), QStringLiteral("webview"), QStringLiteral("app"),
                            QStringLiteral("app-eager")};
    std::map<QString, std::vector<double>> shown;
    std::map<QString, std::vector<double>> mapReady;
    for (int round = 0; round < rounds; ++round) {
        for (const QString& kind : kinds) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            // Settings of its own: no first-launch dialog, nothing of the user's.
            env.insert(QStringLiteral("HOME"), home.path());
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
            env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
            env.insert(QStringLiteral("KR_LAUNCH_T0"), QString::number(monotonicNs()));
            p.setProcessEnvironment(env);
            p.setProcessChannelMode(QProcess::SeparateChannels);
            p.setStandardErrorFile(QProcess::nullDevice());
            p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), kind});
            if (!p.waitForFinished(60000)) {
                p.kill();
                p.waitForFinished();
                std::fprintf(stderr, "%s did not finish\n", qPrintable(kind));
                return 1;
            }
            for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
                const QList<QByteArray> parts = line.split(' ');
                if (parts.size() != 2) continue;
                if (parts[0] == "shown") shown[kind].push_back(parts[1].toDouble());
                if (parts[0] == "map") mapReady[kind].push_back(parts[1].toDouble());
            }
        }
    }
    std::printf("window shown after start, median of %d runs (min .. max), ms:\n", rounds);
    for (const QString& kind : kinds) {
        const auto& v = shown[kind];
        if (v.empty()) {
            std::printf("  %-9s no figure\n", qPrintable(kind));
            return 1;
        }
        std::printf("  %-9s %7.1f  (%.1f .. %.1f)", qPrintable(kind), median(v), *std::min_element(v.begin(), v.end()),
                    *std::max_element(v.begin(), v.end()));
        if (!mapReady[kind].empty()) std::printf("; map page loaded %.1f", median(mapReady[kind]));
        std::printf("\n");
    }
    const double ratio = median(shown["app"]) / median(shown["webview"]);
    std::printf("application / web-view window: %.2f (target at most 1.20)\n", ratio);
    std::printf("application / empty window: %.2f\n", median(shown["app"]) / median(shown["bare"]));
    std::printf("application with its map built first / web-view window: %.2f\n",
                median(shown["app-eager"]) / median(shown["webview"]));
    return ratio <= 1.2 ? 0 : 2;
}
