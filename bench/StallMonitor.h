#pragma once

// Watches the GUI thread for stalls while something runs: a 1 ms timer on the
// GUI thread records how late each tick fires, and a watchdog thread takes
// the GUI thread's stack (through a signal sent to it) whenever a tick is
// overdue, so that every stall comes with the place where the GUI thread
// was. With StallMonitoredApplication as the application object, each stall
// also names the events being delivered at the time.
//
// One monitor at a time, made and used on the GUI thread. Linux only (the
// stacks come from glibc's backtrace() and addr2line).

#include <QApplication>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <thread>
#include <vector>

class StallMonitor : public QObject {
    Q_OBJECT
public:
    struct Stall {
        double ms = 0.0;     // how much later than due the tick fired
        double atSec = 0.0;  // when the GUI thread came back, from start()
        QString phase;       // setPhase() at that time
        QStringList events;  // events being delivered, outermost first
        QString place;       // the innermost frame of the project's src/ (else of anything named)
        QStringList stack;   // the project's src/ frames, innermost first ("function  file:line")
        QStringList outside; // the frames nearest above the innermost of ours, for context
        int samples = 0;     // stacks taken during the stall
    };

    explicit StallMonitor(QObject* parent = nullptr);
    ~StallMonitor() override;

    // Stalls shorter than this are not kept.
    void setKeepOverMs(double ms) { m_keepOverMs = ms; }

    void start();
    // Stops watching and works out where the kept stalls were.
    void stop();
    // The step under way; stalls carry it.
    void setPhase(const QString& phase) { m_phase = phase; }
    QString phase() const { return m_phase; }

    // After stop(): the kept stalls, longest first.
    const QList<Stall>& stalls() const { return m_stalls; }
    double longestMs(const QString& phase = QString()) const;
    int countOverMs(double ms) const;
    // The `count` longest stalls with their places, one block each.
    QString report(int count) const;
    // The stalls longer than overMs grouped by place, longest first: how
    // often, how long at most and in all, in which steps.
    QString placesReport(double overMs) const;

    // Called by the application object around each event delivered on the
    // GUI thread (StallMonitoredApplication does).
    static void eventBegins(QObject* receiver, QEvent* event);
    static void eventEnds();

private:
    struct RawStall {
        qint64 fromNs = 0;
        qint64 toNs = 0;
        QString phase;
    };
    void tick();
    void watch();
    void resolve();

    QTimer m_timer;
    qint64 m_startNs = 0;
    qint64 m_lastNs = 0;
    double m_keepOverMs = 5.0;
    QString m_phase;
    std::vector<RawStall> m_raw;
    QList<Stall> m_stalls;
    std::thread m_watchdog;
    std::atomic<bool> m_watching{false};
};

// An application object that tells the running stall monitor which events
// the GUI thread is delivering.
class StallMonitoredApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};
