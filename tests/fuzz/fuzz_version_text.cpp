// ver.txt: the version text of a card, read from a folder.
#include "core/foundation/AppError.h"
#include "core/recording/VersionInfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir dir;
    {
        QFile file(dir.filePath(QStringLiteral("ver.txt")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    try {
        const VersionInfo v = VersionInfo::check(dir.path());
        (void)VersionInfo::getTargetName(v.target());
    } catch (const AppError&) {
    }
    try {
        (void)VersionInfo::checkReader(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const AppError&) {
    }
    return 0;
}
