#include "app/mainwindow/Reachability.h"

#include <QTcpSocket>

ReachabilityProbe::ReachabilityProbe(QString host, quint16 port, int timeoutMs, QObject* parent)
    : QObject(parent), m_host(std::move(host)), m_port(port)
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(timeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] { finish(false); });
}

ReachabilityProbe::~ReachabilityProbe()
{
    if (m_socket != nullptr) {
        m_socket->disconnect(this);
        m_socket->abort();
        delete m_socket;
    }
}

void ReachabilityProbe::start()
{
    if (m_socket != nullptr) return;
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, [this] { finish(true); });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { finish(false); });
    m_timeout.start();
    m_socket->connectToHost(m_host, m_port);
}

void ReachabilityProbe::finish(bool reachable)
{
    if (m_socket == nullptr) return;
    m_timeout.stop();
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    Q_EMIT finished(reachable);
}

MapReachability::MapReachability(QString host, quint16 port, QObject* parent)
    : QObject(parent), m_host(std::move(host)), m_port(port)
{
    m_timer.setInterval(RETRY_INTERVAL_MS);
    connect(&m_timer, &QTimer::timeout, this, &MapReachability::retry);
}

ReachabilityProbe* MapReachability::newProbe()
{
    auto* probe = new ReachabilityProbe(m_host, m_port, m_probeTimeoutMs, this);
    connect(probe, &ReachabilityProbe::finished, probe, &QObject::deleteLater);
    return probe;
}

void MapReachability::start()
{
    ReachabilityProbe* probe = newProbe();
    connect(probe, &ReachabilityProbe::finished, this, [this](bool reachable) {
        if (!reachable) m_timer.start();
        Q_EMIT startupProbeFinished(reachable);
    });
    probe->start();
}

void MapReachability::retry()
{
    if (m_retryProbe) return; // the last probe is still waiting
    m_retryProbe = newProbe();
    connect(m_retryProbe, &ReachabilityProbe::finished, this, [this](bool reachable) {
        if (!reachable || !m_timer.isActive()) return;
        if (m_onReachable && !m_onReachable()) return;
        m_timer.stop();
        Q_EMIT pageReloaded();
    });
    m_retryProbe->start();
}
