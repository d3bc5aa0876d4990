#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QTcpSocket;

// One asynchronous probe: can a connection to host:port be made within the
// time-out? Reports once through finished(); never blocks the caller.
class ReachabilityProbe : public QObject {
    Q_OBJECT
public:
    ReachabilityProbe(QString host, quint16 port, int timeoutMs, QObject* parent = nullptr);
    ~ReachabilityProbe() override;
    void start();
    bool isRunning() const { return m_socket != nullptr; }

Q_SIGNALS:
    void finished(bool reachable);

private:
    void finish(bool reachable);

    QString m_host;
    quint16 m_port;
    QTimer m_timeout;
    QTcpSocket* m_socket = nullptr;
};

// The map's network watch: probes a public host once at start-up; only when
// it does not answer, a repeating 5.0 s timer probes again, and once the host
// answers, asks the map to load its page (onReachable). A page that could not
// be loaded (onReachable answers false) keeps the timer running.
class MapReachability : public QObject {
    Q_OBJECT
public:
    static inline const QString DEFAULT_HOST = QStringLiteral("www.google.com");
    static constexpr quint16 DEFAULT_PORT = 443;
    static constexpr int RETRY_INTERVAL_MS = 5000;
    static constexpr int PROBE_TIMEOUT_MS = 4000;

    explicit MapReachability(QString host = DEFAULT_HOST, quint16 port = DEFAULT_PORT,
                             QObject* parent = nullptr);

    // Tests shorten the waits.
    void setRetryInterval(int ms) { m_timer.setInterval(ms); }
    void setProbeTimeout(int ms) { m_probeTimeoutMs = ms; }

    // Loads the map page; true when it was loaded. Unset counts as loaded.
    void setOnReachable(std::function<bool()> onReachable) { m_onReachable = std::move(onReachable); }

    // The start-up probe.
    void start();
    bool isRetrying() const { return m_timer.isActive(); }

Q_SIGNALS:
    // The start-up probe's answer.
    void startupProbeFinished(bool reachable);
    // A retry found the host answering and the page was loaded; the timer has stopped.
    void pageReloaded();

private:
    void retry();
    ReachabilityProbe* newProbe();

    QString m_host;
    quint16 m_port;
    int m_probeTimeoutMs = PROBE_TIMEOUT_MS;
    QTimer m_timer;
    QPointer<ReachabilityProbe> m_retryProbe;
    std::function<bool()> m_onReachable;
};
