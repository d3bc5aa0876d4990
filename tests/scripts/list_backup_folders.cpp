// Prints, one a line, the folders the application's backup-folder chooser
// lists, as the application shows it; each alert the chooser shows goes to
// standard error and makes the exit status 1.

#include "app/backup/BackUpFolderSelectDialog.h"
#include "app/shell/Alerts.h"
#include "app/shell/Application.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Application::setIdentity(app);
    int alerts = 0;
    Alerts::setInterceptor([&alerts](const Alerts::Alert& alert) {
        ++alerts;
        std::fprintf(stderr, "alert: %s\n", qPrintable(alert.message));
        return Alerts::FIRST_BUTTON;
    });
    BackUpFolderSelectDialog chooser;
    for (int i = 0; i < chooser.cmbBackupFolder()->count(); ++i)
        std::printf("%s\n", QFile::encodeName(chooser.cmbBackupFolder()->itemText(i)).constData());
    return alerts == 0 ? 0 : 1;
}
