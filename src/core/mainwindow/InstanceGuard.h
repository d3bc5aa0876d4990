#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Guards for the file operations that must not run in two copies of the
// application at once (viewer settings, camera settings, backup directory
// settings, backup, backup deletion).
//
// Each operation is one lock file in a per-user folder. Taking the lock is a
// single atomic step in the file system, so two copies starting the same
// operation at the same instant can never both pass. A lock whose owning
// process is gone (a crashed copy) is stale and is recovered by the next copy
// that asks for it. Locks are held per process: an operation this copy
// already runs is refused as well.
//
// The operations are named by their historic flag keys ("viewerSettingFlg",
// ...), which keep their meaning: held = the operation is in use.
namespace InstanceGuard {

inline const QString VIEWER_SETTING = QStringLiteral("viewerSettingFlg");
inline const QString CAMERA_SETTING = QStringLiteral("cameraSettingFlg");
inline const QString BACKUP_DIRECTORY_SETTING = QStringLiteral("backupDirectorySettingFlg");
inline const QString BACKUP_SETTING = QStringLiteral("backupSettingFlg");
inline const QString BACKUP_DELETE = QStringLiteral("backupDeleteFlg");

// The five operation keys, in the order above.
const QStringList& operations();

// The refusal shown while another copy holds an operation (English key of
// the translation).
inline constexpr const char* REFUSAL_TEXT = QT_TRANSLATE_NOOP(
    "OperationGuard",
    "The selected file operation is currently in use by another instance of the application.");

// The folder that holds the lock files: the user's runtime folder when there
// is one, else the application's private temporary folder. Tests point it
// somewhere else; an empty path goes back to the default. Locks already held
// stay where they were taken.
QString lockDirectory();
void setLockDirectory(const QString& path);

// Takes the lock of an operation. False when any copy, this one included,
// holds it (or the lock file cannot be written). Thread-safe.
bool tryAcquire(const QString& key);

// Gives the lock back; nothing when this copy does not hold it.
void release(const QString& key);

// True while this copy holds the lock.
bool isHeldHere(const QString& key);

// Gives back every lock this copy holds (at quit).
void releaseAll();

} // namespace InstanceGuard
