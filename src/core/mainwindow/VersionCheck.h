#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

// The rules of the once-per-start check for a newer version: the version
// texts, the request and the comparison. The network part lives with the
// main window.
namespace VersionCheck {

// Where the server keeps the version text, below its host.
inline const QString VERSION_FILE_PATH = QStringLiteral("/top/driverecorder/KorveltaReplay/mac/ver.txt");
// The page that offers the latest version, on the same server.
inline const QString DOWNLOAD_PAGE_PATH = QStringLiteral("/top/driverecorder/KorveltaReplay/index.html");
// The setting that names the update server: a host name ("www.example.com"),
// or a URL with scheme and host (and optionally a port). Absent or empty
// means DEFAULT_UPDATE_HOST.
inline const QString KEY_UPDATE_SERVER = QStringLiteral("updateServer");
inline const QString DEFAULT_UPDATE_HOST = QStringLiteral("www.korvelta.example");

// "1.3.0" -> {1, 3, 0}. Every piece between the dots must be a plain
// decimal number (no sign, at most nine digits), with nothing around the
// text: "1.3.1" followed by a line end is no version. Anything else, an
// empty text included, gives nothing.
std::optional<QList<int>> parseVersion(const QString& text);

// Body of ver.txt as received: must be UTF-8 text, then as parseVersion.
std::optional<QList<int>> parseVersionData(const QByteArray& data);

// True when remote names a later version than local: numbers compared one
// by one over the first three, a missing number counting as 0 ("1.4" is
// 1.4.0). Numbers after the third do not count.
bool isNewer(const QList<int>& remote, const QList<int>& local);

// "KORVELTA REPLAY/[1, 3, 0]".
QString userAgent(const QList<int>& local);

// The address of ver.txt for the configured server. A plain host name gets
// https. A configured URL must be https, except that plain http is accepted
// for the loopback host (a local test server); anything else gives an empty
// (invalid) URL, and no check is made.
QUrl versionUrl(const QString& configuredServer);

// The download page on the configured server, under the same rules.
QUrl downloadPageUrl(const QString& configuredServer);

// The configured server from the settings store, or DEFAULT_UPDATE_HOST.
QString configuredServer();

} // namespace VersionCheck
