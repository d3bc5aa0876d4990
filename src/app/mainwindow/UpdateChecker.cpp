#include "app/mainwindow/UpdateChecker.h"

#include "app/shell/Alerts.h"
#include "core/foundation/CommonConst.h"
#include "core/mainwindow/VersionCheck.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>

UpdateChecker::UpdateChecker(QObject* parent) : QObject(parent)
{
    // Never follow a redirect from https to plain http.
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

bool UpdateChecker::checkForUpdates(const QString& localVersion)
{
    return checkForUpdates(localVersion, VersionCheck::configuredServer());
}

bool UpdateChecker::checkForUpdates(const QString& localVersion, const QString& server)
{
    const auto local = VersionCheck::parseVersion(localVersion);
    if (!local) return false;
    const QUrl url = VersionCheck::versionUrl(server);
    if (!url.isValid()) return false;

    QNetworkRequest request(url);
    request.setTransferTimeout(TIMEOUT_MS);
    request.setHeader(QNetworkRequest::UserAgentHeader, VersionCheck::userAgent(*local));
    QNetworkReply* reply = m_network.get(request);
    // A body larger than any version text is not read any further.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > MAX_BODY_BYTES) reply->abort();
    });
    const QList<int> localNumbers = *local;
    connect(reply, &QNetworkReply::finished, this, [this, reply, localNumbers] {
        versionCheckCompletion(reply, localNumbers);
        reply->deleteLater();
        Q_EMIT finished();
    });
    return true;
}

void UpdateChecker::versionCheckCompletion(QNetworkReply* reply, const QList<int>& local)
{
    // Only a complete, successful answer counts: an error page that happens
    // to parse must not announce anything.
    if (reply->error() != QNetworkReply::NoError) return;
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200) return;
    const QByteArray body = reply->read(MAX_BODY_BYTES + 1);
    if (body.size() > MAX_BODY_BYTES) return;
    const auto remote = VersionCheck::parseVersionData(body);
    if (!remote) return;
    if (VersionCheck::isNewer(*remote, local)) Q_EMIT updateAvailable();
}

void UpdateChecker::showUpdateAnnouncement(QWidget* window)
{
    const QString text =
        QCoreApplication::translate(
            "UpdateChecker",
            "The latest version of %1 is available for download at the URL listed in the owner's manual.")
            .arg(CommonConst::APP_TITLE);
    Alerts::show(window,
                 {Alerts::titleAnnouncement(), text, Alerts::Style::Informational, {Alerts::buttonOk()}});
}
