#include "app/mainwindow/MainWindow.h"
#include "app/shell/Application.h"
#include "core/catalog/CardData.h"
#include "core/mainwindow/Relaunch.h"

#include <QApplication>
#include <clocale>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // The map's browser engine shares its drawing contexts with the window's.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The browser engine refuses to start its sandbox as root; run without it then.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    // Numbers in every C-level parser (libmpv among them) use the C locale.
    std::setlocale(LC_NUMERIC, "C");
    Application::setIdentity(app);
    int result = 0;
    {
        ViewController::Options options;
        options.withMap = true;
        MainWindow window(nullptr, options);
        window.show();
        result = app.exec();
    }
    // The window let go of its catalogues without waiting for their workers;
    // they end here, before the thumbnails they write are removed.
    CardData::waitForDisposals();
    // Thumbnails are this run's own; the catalogue is gone with the window.
    CardData::removeThumbnailFolder();
    // A restart the viewer settings asked for starts a new copy now that this
    // one has saved everything and let go of its windows.
    Relaunch::relaunchIfRequested();
    return result;
}
