#pragma once

#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkReply;
class QWidget;

// The once-per-start check whether the update server offers a newer
// version: ver.txt fetched over HTTPS (certificates checked; a failed check
// is silent) and compared with this version.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    explicit UpdateChecker(QObject* parent = nullptr);

    // Starts the check against the configured update server. False when no
    // request was sent (the local version or the server setting is unusable).
    bool checkForUpdates(const QString& localVersion = QStringLiteral(KR_APP_VERSION));
    // The same against an explicit server (host name, or URL: see VersionCheck::versionUrl).
    bool checkForUpdates(const QString& localVersion, const QString& server);

    // The "announcement" alert naming the application.
    static void showUpdateAnnouncement(QWidget* window);

    // The largest ver.txt accepted.
    static constexpr qint64 MAX_BODY_BYTES = 1024;
    static constexpr int TIMEOUT_MS = 60000;

Q_SIGNALS:
    // The server offers a later version.
    void updateAvailable();
    // The check has ended, with or without an announcement.
    void finished();

private:
    void versionCheckCompletion(QNetworkReply* reply, const QList<int>& local);

    QNetworkAccessManager m_network;
};
