#include "app/mainwindow/MainWindow.h"
#include "app/shell/Application.h"
#include "core/catalog/CardData.h"
#include "core/foundation/SettingsStore.h"
#include "core/mainwindow/Relaunch.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    Application::prepareProcess();
    QApplication app(argc, argv);
    Application::setUp(app);
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
    // The settings the quit stored (and any change still waiting) are written
    // before a new copy can read them.
    SettingsStore::finish();
    // A restart the viewer settings asked for starts a new copy now that this
    // one has saved everything and let go of its windows.
    Relaunch::relaunchIfRequested();
    return result;
}
