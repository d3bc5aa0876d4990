#include "core/foundation/SettingsStore.h"

#include "core/foundation/DurableFile.h"
#include "core/foundation/SettingsIni.h"
#include "core/foundation/UniqueFd.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QPointer>
#include <QStandardPaths>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Change {
    std::optional<QVariant> value; // nothing: removed
    quint64 serial = 0;
};
using Changes = QMap<QString, Change>;

// A saveNow caller waiting for the end of an attempt. The relay lives on the
// caller's thread and carries the answer there.
struct Waiter {
    quint64 attempt = 0;
    QObject* relay = nullptr;
    std::function<void(const QString&)> deliver;
};

struct State {
    std::mutex mutex;
    std::condition_variable wake;      // the writer: a change, a request, the end
    std::condition_variable attempted; // flush callers: an attempt ended

    QString chosenPath; // useFile's; empty: the user's file
    bool loaded = false;
    QString path;
    QMap<QString, QVariant> values;

    Changes pending; // made and not written yet
    quint64 serial = 0;
    bool changedSinceAttempt = false;
    Clock::time_point lastChange;
    std::chrono::milliseconds delay = SettingsStore::DEFAULT_WRITE_DELAY;

    bool writeWanted = false;
    bool stopping = false;
    quint64 attemptsStarted = 0;
    quint64 attemptsDone = 0;
    QString lastFailure;
    std::vector<Waiter> waiters;
    quint64 writes = 0;

    std::thread writer;
    bool postRoutineAdded = false;
};

// Never destroyed: the writer thread may still use it while the program's
// statics go.
State& state()
{
    static State* const s = new State;
    return *s;
}

QString userFile()
{
    // Where QSettings keeps a user-scope INI file of this organisation and
    // application.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') +
           SettingsStore::ORGANIZATION + QLatin1Char('/') + SettingsStore::APPLICATION +
           QStringLiteral(".ini");
}

// What readWhole gives for something at the name that is not a regular
// file (a FIFO, a device, a folder): never read, never replaced.
constexpr int NOT_A_FILE = -1;

QString reasonOf(int error)
{
    return error == NOT_A_FILE ? QCoreApplication::translate("SettingsStore", "It is not a regular file.")
                               : qt_error_string(error);
}

// 0 or the errno of the failure (ENOENT: there is no such file), or
// NOT_A_FILE. The open never waits: a FIFO at the name would block it until
// a writer came, before any window shows.
int readWhole(const QString& path, QByteArray& bytes)
{
    bytes.clear();
    const UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd.fd, &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return NOT_A_FILE;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        bytes.append(buffer, qsizetype(n));
    }
    return 0;
}

// The file the settings are written to: the name itself, or, where it is a
// symbolic link (a user keeping the file in a folder of their own), the file
// the link names, also when that does not exist yet. The link stays, as
// QSettings keeps it. 0, or ELOOP for a chain of links that does not end.
int writtenFile(const QString& path, QString& file)
{
    file = path;
    for (int hop = 0; hop < 40; ++hop) {
        const QByteArray native = QFile::encodeName(file);
        struct stat st {};
        if (::lstat(native.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
        QByteArray target(qsizetype(st.st_size > 0 ? st.st_size : 4095) + 1, Qt::Uninitialized);
        const ssize_t n = ::readlink(native.constData(), target.data(), size_t(target.size()));
        // A link changed between the two calls is read again.
        if (n < 0 || n >= target.size()) {
            if (n < 0 && errno != EINVAL) return errno;
            continue;
        }
        target.truncate(n);
        // A relative link names a file from the folder the link is in, as
        // the system finds it: through the links on that way, not past them
        // by its ".." as text.
        QString named = QFile::decodeName(target);
        if (!QFileInfo(named).isAbsolute()) named = QFileInfo(file).path() + QLatin1Char('/') + named;
        const qsizetype slash = named.lastIndexOf(QLatin1Char('/'));
        const QString folder = QFileInfo(named.left(std::max<qsizetype>(slash, 1))).canonicalFilePath();
        file = folder.isEmpty() ? QDir::cleanPath(named) : QDir(folder).filePath(named.sliced(slash + 1));
    }
    return ELOOP;
}

int makeFolders(const QString& folder)
{
    const QByteArray native = QFile::encodeName(folder);
    struct stat st {};
    if (::stat(native.constData(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT) return errno;
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent != folder)
        if (const int error = makeFolders(parent)) return error;
    if (::mkdir(native.constData(), 0777) != 0 && errno != EEXIST) return errno;
    return 0;
}

QString cannotWrite(const QString& path, int error)
{
    return QCoreApplication::translate("SettingsStore", "The settings file \"%1\" could not be written.")
               .arg(path) +
           QLatin1Char('\n') + reasonOf(error);
}

// The file as it is now with these changes put in; empty when written or
// nothing needed writing, else why not. The user's settings folder is made
// when missing (a new account has none); a file chosen by useFile is written
// only into a folder that is there, never into one made again after its
// owner removed it. A link at the name is written through, into the folder
// of the file it names where that folder exists.
QString writeChanges(const QString& path, bool makeFolder, const Changes& changes, bool& wrote)
{
    wrote = false;
    if (makeFolder)
        if (const int error = makeFolders(QFileInfo(path).absolutePath())) return cannotWrite(path, error);
    // The lock QSettings takes for its own writes of this file: another copy
    // writing now waits for this merge, or this one for its. One that cannot
    // be had (a folder closed to us) is passed over: the write says why.
    QLockFile lock(path + QStringLiteral(".lock"));
    const bool locked = lock.tryLock(5000);
    Q_UNUSED(locked);

    QString file;
    if (const int error = writtenFile(path, file)) return cannotWrite(path, error);
    QByteArray current;
    const int readError = readWhole(file, current);
    // Something at the name that cannot be read, or is no file, is never
    // replaced blind.
    if (readError != 0 && readError != ENOENT) return cannotWrite(path, readError);
    SettingsIni::Entries entries = SettingsIni::parse(current);
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it->value)
            entries.insert(it.key(), *it->value);
        else
            entries.remove(it.key());
    }
    const QByteArray text = SettingsIni::write(entries);
    if (readError == 0 ? text == current : text.isEmpty()) return {};

    int error = 0;
    const auto temporary = DurableFile::writeTemporaryBeside(file, text, &error);
    if (!temporary) return cannotWrite(path, error);
    // The new file keeps the permissions of the one it replaces (a user may
    // have closed it to others).
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) == 0)
        ::chmod(QFile::encodeName(*temporary).constData(), st.st_mode & 07777);
    if (!DurableFile::commit(*temporary, file, &error)) {
        DurableFile::discard(*temporary);
        return cannotWrite(path, error);
    }
    wrote = true;
    return {};
}

void post(QObject* relay, std::function<void(const QString&)> deliver, const QString& why)
{
    QMetaObject::invokeMethod(
        relay,
        [relay, deliver = std::move(deliver), why] {
            deliver(why);
            relay->deleteLater();
        },
        Qt::QueuedConnection);
}

void ensureLoaded(State& s)
{
    if (s.loaded) return;
    s.path = QFileInfo(s.chosenPath.isEmpty() ? userFile() : s.chosenPath).absoluteFilePath();
    QByteArray bytes;
    // A file that cannot be read is an empty store, as QSettings takes it.
    const int error = readWhole(s.path, bytes);
    if (error != 0 && error != ENOENT)
        qWarning().noquote() << "The settings file" << s.path << "could not be read:" << reasonOf(error);
    s.values = SettingsIni::parse(bytes);
    s.loaded = true;
}

void writerLoop();

void ensureWriter(State& s)
{
    if (s.writer.joinable() || s.stopping) return;
    if (!s.postRoutineAdded) {
        // A joinable thread left at exit ends the program; programs that
        // never call finish() still write what is pending.
        qAddPostRoutine(&SettingsStore::finish);
        s.postRoutineAdded = true;
    }
    s.writer = std::thread(&writerLoop);
}

void writerLoop()
{
    State& s = state();
    std::unique_lock lock(s.mutex);
    for (;;) {
        if (!s.writeWanted && !s.stopping) {
            if (!s.changedSinceAttempt) {
                s.wake.wait(lock);
                continue;
            }
            const Clock::time_point due = s.lastChange + s.delay;
            if (Clock::now() < due) {
                s.wake.wait_until(lock, due);
                continue;
            }
        }
        s.writeWanted = false;
        s.changedSinceAttempt = false;
        const quint64 attempt = ++s.attemptsStarted;
        const quint64 upTo = s.serial;
        const Changes changes = s.pending;
        const QString path = s.path;
        const bool usersFile = s.chosenPath.isEmpty();
        QString failure;
        bool wrote = false;
        if (!changes.isEmpty()) {
            lock.unlock();
            failure = writeChanges(path, usersFile, changes, wrote);
            if (!failure.isEmpty()) qWarning().noquote() << failure;
            lock.lock();
        }
        if (wrote) ++s.writes;
        if (failure.isEmpty()) {
            // Changes made meanwhile wait for the next write.
            for (auto it = s.pending.begin(); it != s.pending.end();)
                it = it->serial <= upTo ? s.pending.erase(it) : std::next(it);
        }
        s.attemptsDone = attempt;
        s.lastFailure = failure;
        for (auto it = s.waiters.begin(); it != s.waiters.end();) {
            if (it->attempt > attempt) {
                ++it;
                continue;
            }
            post(it->relay, std::move(it->deliver), failure);
            it = s.waiters.erase(it);
        }
        s.attempted.notify_all();
        if (s.stopping && !s.writeWanted) return;
    }
}

void recordChange(State& s, const QString& key, std::optional<QVariant> value)
{
    s.pending.insert(key, Change{std::move(value), ++s.serial});
    s.changedSinceAttempt = true;
    s.lastChange = Clock::now();
    ensureWriter(s);
    s.wake.notify_all();
}

// The next attempt that starts takes every change made until now.
quint64 requestWrite(State& s)
{
    ensureWriter(s);
    s.writeWanted = true;
    s.wake.notify_all();
    return s.attemptsStarted + 1;
}

} // namespace

namespace SettingsStore {

void setIdentity()
{
    QCoreApplication::setOrganizationName(ORGANIZATION);
    QCoreApplication::setApplicationName(APPLICATION);
}

QVariant Store::value(const QString& key, const QVariant& defaultValue) const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureLoaded(s);
    return s.values.value(key, defaultValue);
}

bool Store::contains(const QString& key) const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureLoaded(s);
    return s.values.contains(key);
}

void Store::setValue(const QString& key, const QVariant& value)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureLoaded(s);
    // INI values read back as text: "true" stored and true given are one value.
    const auto found = s.values.constFind(key);
    if (found != s.values.cend() && SettingsIni::valueText(*found) == SettingsIni::valueText(value)) return;
    s.values.insert(key, value);
    recordChange(s, key, value);
}

void Store::remove(const QString& key)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureLoaded(s);
    if (s.values.remove(key) == 0) return;
    recordChange(s, key, std::nullopt);
}

void Store::clear()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureLoaded(s);
    for (auto it = s.values.cbegin(); it != s.values.cend(); ++it) recordChange(s, it.key(), std::nullopt);
    s.values.clear();
}

QString Store::fileName() const
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureLoaded(s);
    return s.path;
}

Store* open()
{
    static Store store;
    return &store;
}

void useFile(const QString& path)
{
    flush();
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.chosenPath = path;
    s.loaded = false;
    s.pending.clear();
    s.changedSinceAttempt = false;
    s.lastFailure.clear();
    ensureLoaded(s);
}

QString flush()
{
    State& s = state();
    std::unique_lock lock(s.mutex);
    ensureLoaded(s);
    if (s.pending.isEmpty()) return {};
    const quint64 attempt = requestWrite(s);
    s.attempted.wait(lock, [&] { return s.attemptsDone >= attempt; });
    return s.lastFailure;
}

void saveNow(QObject* receiver, std::function<void(const QString& why)> done)
{
    auto* relay = new QObject();
    auto deliver = [receiver = QPointer<QObject>(receiver), done = std::move(done)](const QString& why) {
        if (receiver) done(why);
    };
    State& s = state();
    std::lock_guard lock(s.mutex);
    ensureLoaded(s);
    if (s.pending.isEmpty()) {
        post(relay, std::move(deliver), QString());
        return;
    }
    s.waiters.push_back(Waiter{requestWrite(s), relay, std::move(deliver)});
}

void finish()
{
    State& s = state();
    std::thread writer;
    {
        std::lock_guard lock(s.mutex);
        if (!s.writer.joinable()) return;
        s.stopping = true;
        s.writeWanted = true;
        writer = std::move(s.writer);
        s.wake.notify_all();
    }
    writer.join();
    std::lock_guard lock(s.mutex);
    s.stopping = false;
    // Asked for while the writer ended.
    if (s.writeWanted || s.changedSinceAttempt) ensureWriter(s);
}

void setWriteDelay(std::chrono::milliseconds delay)
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.delay = delay;
    s.wake.notify_all();
}

quint64 writeCount()
{
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.writes;
}

} // namespace SettingsStore
