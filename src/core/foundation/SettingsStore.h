#pragma once

#include <QString>
#include <memory>

class QSettings;

// Where the viewer settings and the cross-window flags live: the user's
// settings file under one organisation and application name, or, for tests,
// a file of their own.
namespace SettingsStore {

inline const QString ORGANIZATION = QStringLiteral("Korvelta");
inline const QString APPLICATION = QStringLiteral("KorveltaReplay");

// Sets the organisation and application names of QCoreApplication.
void setIdentity();

// Every later open() uses this INI file instead of the user's store; an
// empty path goes back to the user's store.
void useFile(const QString& path);

// A store object for the calling thread (QSettings objects are not shared
// between threads; they see one another's writes through Qt's cache).
std::unique_ptr<QSettings> open();

// Writes the store's changes to its file: empty when they are written, else
// why not (for the user), as a read-only or full home folder makes it.
QString save(QSettings& store);

} // namespace SettingsStore
