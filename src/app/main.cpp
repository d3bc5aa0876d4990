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
    MainWindow window;
    window.show();
    return app.exec();
}
