#include "app/shell/Application.h"

#include "core/foundation/SettingsStore.h"

#include <QCoreApplication>
#include <clocale>
#include <unistd.h>

void Application::prepareProcess()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void Application::setUp(QCoreApplication& app)
{
    std::setlocale(LC_NUMERIC, "C");
    setIdentity(app);
}

void Application::setIdentity(QCoreApplication& app)
{
    Q_UNUSED(app);
    SettingsStore::setIdentity();
}
