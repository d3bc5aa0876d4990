#include "app/shell/Application.h"

#include "core/foundation/SettingsStore.h"

#include <QCoreApplication>

void Application::setIdentity(QCoreApplication& app)
{
    Q_UNUSED(app);
    SettingsStore::setIdentity();
}
