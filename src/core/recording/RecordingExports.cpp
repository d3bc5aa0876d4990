#include "core/recording/RecordingExports.h"

#include "core/foundation/CommonConst.h"
#include "core/foundation/IniFile.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <QTemporaryDir>
#include <mutex>

namespace {

struct Registry {
    std::mutex mutex;
    QString current;
};

// Never destroyed: a reader still running while the program ends may publish.
Registry& registry()
{
    static Registry* r = new Registry;
    return *r;
}

} // namespace

void RecordingExports::removeCurrent()
{
    QString current;
    {
        Registry& r = registry();
        const std::lock_guard<std::mutex> lock(r.mutex);
        current.swap(r.current);
    }
    if (!current.isEmpty()) IOUtil::removeFile(current);
}

QString RecordingExports::newFolder()
{
    QTemporaryDir dir(CommonConst::DIR_PATH_TMP() + QStringLiteral("export-XXXXXX"));
    if (!dir.isValid()) return {};
    dir.setAutoRemove(false);
    QString path = dir.path();
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path;
}

void RecordingExports::publish(const QString& folder)
{
    static std::once_flag cleanUp;
    std::call_once(cleanUp, [] { qAddPostRoutine(removeCurrent); });
    QString previous;
    {
        Registry& r = registry();
        const std::lock_guard<std::mutex> lock(r.mutex);
        previous = r.current;
        r.current = folder;
    }
    if (!previous.isEmpty() && previous != folder) IOUtil::removeFile(previous);
}

QString RecordingExports::current()
{
    Registry& r = registry();
    const std::lock_guard<std::mutex> lock(r.mutex);
    return r.current;
}

bool RecordingExports::writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
