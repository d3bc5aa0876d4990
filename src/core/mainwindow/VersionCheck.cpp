#include "core/mainwindow/VersionCheck.h"

#include "core/foundation/CommonConst.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/SettingsValue.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace VersionCheck {

std::optional<QList<int>> parseVersion(const QString& text)
{
    // The text is the version and nothing else: a line end after it makes
    // the last piece no number, and the whole text unusable.
    if (text.isEmpty() || text.size() > 64) return std::nullopt;
    QList<int> numbers;
    for (const QString& piece : text.split(QLatin1Char('.'))) {
        if (piece.isEmpty() || piece.size() > 9) return std::nullopt;
        for (QChar c : piece)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        numbers.append(piece.toInt());
    }
    return numbers;
}

std::optional<QList<int>> parseVersionData(const QByteArray& data)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(data);
    if (decoder.hasError()) return std::nullopt;
    return parseVersion(text);
}

bool isNewer(const QList<int>& remote, const QList<int>& local)
{
    for (int i = 0; i < 3; ++i) {
        const int r = i < remote.size() ? remote.at(i) : 0;
        const int l = i < local.size() ? local.at(i) : 0;
        if (r != l) return r > l;
    }
    return false;
}

QString userAgent(const QList<int>& local)
{
    QStringList parts;
    for (int n : local)
        parts.append(QString::number(n));
    return CommonConst::APP_TITLE + QStringLiteral("/[") + parts.join(QStringLiteral(", ")) +
           QLatin1Char(']');
}

namespace {

QUrl serverUrl(const QString& configuredServer, const QString& path)
{
    const QString server = configuredServer.trimmed();
    if (server.isEmpty()) return {};
    QUrl url;
    if (server.contains(QStringLiteral("://"))) {
        url = QUrl(server, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()) return {};
        const QString scheme = url.scheme().toLower();
        static const QRegularExpression v4Loopback(QStringLiteral("^127\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}$"));
        const QString host = url.host().toLower();
        const bool loopback = host == QStringLiteral("localhost") || host == QStringLiteral("::1") ||
                              v4Loopback.match(host).hasMatch();
        if (scheme != QStringLiteral("https") && !(scheme == QStringLiteral("http") && loopback)) return {};
    } else {
        url.setScheme(QStringLiteral("https"));
        url.setHost(server, QUrl::StrictMode);
        if (!url.isValid() || url.host().isEmpty()) return {};
    }
    url.setPath(path);
    url.setQuery(QString());
    url.setFragment(QString());
    url.setUserInfo(QString());
    return url;
}

} // namespace

QUrl versionUrl(const QString& configuredServer)
{
    return serverUrl(configuredServer, VERSION_FILE_PATH);
}

QUrl downloadPageUrl(const QString& configuredServer)
{
    return serverUrl(configuredServer, DOWNLOAD_PAGE_PATH);
}

QString configuredServer()
{
    const auto store = SettingsStore::open();
    if (store->contains(KEY_UPDATE_SERVER)) {
        const auto text = SettingsValue::stringOf(store->value(KEY_UPDATE_SERVER));
        if (text && !text->trimmed().isEmpty()) return *text;
    }
    return DEFAULT_UPDATE_HOST;
}

} // namespace VersionCheck
