#pragma once

#include <QString>
#include <QVariant>
#include <chrono>
#include <functional>

class QObject;

// Where the viewer settings and the cross-window values live: the user's
// settings file under one organisation and application name (the INI file
// QSettings would use), or, for tests, a file of their own.
//
// The application has one store. It reads its file once, on first use, and
// answers every reader from memory; any thread may read and write it. A value
// equal to the stored one (as it would be written) changes nothing. Changes
// are written together by the store's own writer thread once they stop for a
// moment (writeDelay), when asked (flush, saveNow) and at the end (finish),
// never by the caller: the GUI thread does no file work for a setting.
//
// A write merges: it reads the file as it is then (under the lock file
// QSettings also takes, "<file>.lock"), puts in the keys this copy changed or
// removed since its last write and keeps every other key, so that another
// running copy's settings are not lost. It replaces the file durably (a new
// file beside it, flushed, renamed over it, the folder flushed) and, when it
// fails, tells the system's reason. A symbolic link at the name stays: the
// file it names is the one replaced. Something at the name that is no
// regular file (a FIFO, a folder) is never read, waited on or replaced: the
// store starts empty and its writes fail.
namespace SettingsStore {

inline const QString ORGANIZATION = QStringLiteral("Korvelta");
inline const QString APPLICATION = QStringLiteral("KorveltaReplay");

// Sets the organisation and application names of QCoreApplication.
void setIdentity();

class Store {
public:
    QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const;
    bool contains(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);
    // Removes every key this copy knows.
    void clear();
    QString fileName() const;
};

// The application's store, read from its file on first use.
Store* open();

// Writes what is pending to the store's file, then switches the store to
// this INI file and reads it; an empty path goes back to the user's file.
// The file's folder is not made: tests give a file in a folder of their own,
// and once they remove it, nothing is written there again.
void useFile(const QString& path);

// Writes every change made so far and waits for it: empty when written (or
// nothing was to be written), else why not, for the user (the file's name
// and the system's reason). Changes that could not be written stay pending
// and are tried again with the next write.
QString flush();

// As flush, without waiting: done gets the answer on receiver's thread,
// through its event loop, unless receiver is gone by then.
void saveNow(QObject* receiver, std::function<void(const QString& why)> done);

// At the end of the run: writes what is pending, waits for it and stops
// the writer thread (a failure goes to the log). Also done when the
// QCoreApplication goes. A later change starts the writer again.
void finish();

// How long changes must stop before they are written (tests lengthen it to
// see what waits, or shorten it).
void setWriteDelay(std::chrono::milliseconds delay);
inline constexpr std::chrono::milliseconds DEFAULT_WRITE_DELAY{700};

// How many times the store has replaced its file.
quint64 writeCount();

} // namespace SettingsStore
