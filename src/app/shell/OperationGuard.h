#pragma once

#include <QString>

class QWidget;

// The main window's entry to a guarded file operation.
namespace OperationGuard {

// Takes the operation's lock (InstanceGuard) and answers true; when another
// copy of the application (or this one) holds it, shows the "Warning" alert
// "The selected file operation is currently in use by another instance of
// the application." and answers false. The lock is given back by the
// operation's dialog or its window's close button.
bool begin(const QString& key, QWidget* parent);

// The refusal text, translated.
QString refusalText();

} // namespace OperationGuard
