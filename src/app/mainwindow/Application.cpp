#include "Application.h"

#include "foundation/SettingsStore.h"

#include <QCoreApplication>

void Application::setIdentity(QCoreApplication& app)
{
    Q_UNUSED(app);
    SettingsStore::setIdentity();
}
