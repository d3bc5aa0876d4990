#include "core/recording/VersionInfo.h"

#include "core/foundation/AppError.h"
#include "core/foundation/FileUtil.h"

#include <QFile>
#include <QStringDecoder>

namespace {

QString unknownVersionMessage()
{
    return QStringLiteral("バージョン情報が不明です。");
}

// ver.txt is one short line; anything much larger is not a version file.
constexpr qint64 MAX_VERSION_FILE = 64 * 1024;

std::optional<QString> readUtf8(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    if (file.size() > MAX_VERSION_FILE) return std::nullopt;
    const QByteArray bytes = file.read(MAX_VERSION_FILE + 1);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

QString firstLine(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar(0x2028) || c == QChar(0x2029)
            || c == QChar(0x0085) || c == QChar(0x000B) || c == QChar(0x000C))
            return text.left(i);
    }
    return text;
}

} // namespace

VersionInfo::VersionInfo()
    : _target(TargetType::Tarko12)
    , _versionString(Tarko12TargetCode())
{
}

VersionInfo::VersionInfo(TargetType target, QString versionString)
    : _target(target)
    , _versionString(std::move(versionString))
{
}

const QString& VersionInfo::CommonTargetCode()
{
    static const QString code = QStringLiteral("103");
    return code;
}

const QString& VersionInfo::Tarko12TargetCode()
{
    static const QString code = QStringLiteral("104");
    return code;
}

TargetType VersionInfo::getTargetType(const QString& targetCode)
{
    if (targetCode == CommonTargetCode()) return TargetType::Common;
    if (targetCode == Tarko12TargetCode()) return TargetType::Tarko12;
    throw AppError(QStringLiteral("未定義の向け先番号です: %1").arg(targetCode));
}

QString VersionInfo::getTargetCode(TargetType target)
{
    switch (target) {
    case TargetType::Common: return CommonTargetCode();
    case TargetType::Tarko12: return Tarko12TargetCode();
    case TargetType::None: break;
    }
    return QStringLiteral("XXX");
}

QString VersionInfo::getTargetName(TargetType target)
{
    if (FormUtil::appTarget == FormUtil::AppTarget::Common) {
        if (target == TargetType::Common) return QStringLiteral("ZM01");
        if (target == TargetType::Tarko12) return QStringLiteral("ZM02");
    }
    return QStringLiteral("不明な向け先");
}

VersionInfo VersionInfo::checkReader(const QString& text)
{
    if (text.size() <= 2) throw AppError(unknownVersionMessage());
    return VersionInfo(getTargetType(text.left(3)), text);
}

VersionInfo VersionInfo::check(const std::optional<QString>& dir)
{
    if (!dir) return VersionInfo();
    const QString verPath = FileUtil::combinePath(*dir, QStringLiteral("ver.txt"));
    if (!FormUtil::isDirectory(verPath)) {
        if (const auto text = readUtf8(verPath)) {
            try {
                return checkReader(firstLine(*text));
            } catch (const AppError&) {
                // an unknown code is no reason to refuse the card
            }
        }
    }
    if (FormUtil::isDirectory(FileUtil::combinePath(*dir, QStringLiteral("SETINF.DAT"))))
        throw AppError(unknownVersionMessage());
    return VersionInfo();
}
