#include "app/shell/OperationGuard.h"

#include "app/shell/Alerts.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QCoreApplication>

namespace OperationGuard {

QString refusalText()
{
    return QCoreApplication::translate("OperationGuard", InstanceGuard::REFUSAL_TEXT);
}

bool begin(const QString& key, QWidget* parent)
{
    if (InstanceGuard::tryAcquire(key)) return true;
    Alerts::warning(parent, refusalText());
    return false;
}

} // namespace OperationGuard
