#include "catalog/CardData.h"
#include "mainwindow/Application.h"
#include "mainwindow/MainWindow.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Numbers in every C-level parser (libmpv among them) use the C locale.
    std::setlocale(LC_NUMERIC, "C");
    Application::setIdentity(app);
    int result = 0;
    {
        MainWindow window;
        window.show();
        result = app.exec();
    }
    // Thumbnails are this run's own; the catalogue is gone with the window.
    CardData::removeThumbnailFolder();
    return result;
}
