#include "StallMonitor.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QHash>
#include <QMetaEnum>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <map>
#include <pthread.h>
#include <time.h>

namespace {

constexpr int MAX_FRAMES = 64;
constexpr int MAX_EVENTS = 16;
constexpr int MAX_SAMPLES = 12000;
constexpr qint64 TICK_NS = 1000000;
// The watchdog takes a stack once a tick is this late, then at this pace
// for as long as the stall lasts.
constexpr qint64 SAMPLE_AFTER_NS = 6000000;
constexpr qint64 SAMPLE_EVERY_NS = 20000000;
// Stalls whose places are worked out (the longest ones).
constexpr int RESOLVED_STALLS = 3000;
// Stacks looked at per stall.
constexpr int SAMPLES_PER_STALL = 24;

qint64 nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct Sample {
    std::atomic<bool> ready{false};
    qint64 ns = 0;
    int frames = 0;
    void* frame[MAX_FRAMES];
    int events = 0;
    const char* eventClass[MAX_EVENTS];
    int eventType[MAX_EVENTS];
};

Sample g_samples[MAX_SAMPLES];
std::atomic<int> g_nextSample{0};
std::atomic<int> g_pending{-1};
std::atomic<qint64> g_beatNs{0};
pthread_t g_gui;
std::atomic<bool> g_monitoring{false};

// The events the GUI thread is delivering; written by the GUI thread and read
// by the signal handler, which runs on the GUI thread too.
std::atomic<int> g_eventDepth{0};
const char* g_eventClass[MAX_EVENTS];
int g_eventType[MAX_EVENTS];

int sampleSignal()
{
    return SIGRTMIN + 4;
}

void takeSample(int, siginfo_t*, void*)
{
    const int saved = errno;
    const int i = g_pending.load();
    if (i >= 0 && i < MAX_SAMPLES) {
        Sample& s = g_samples[i];
        s.ns = nowNs();
        s.frames = backtrace(s.frame, MAX_FRAMES);
        const int depth = std::min(g_eventDepth.load(std::memory_order_relaxed), MAX_EVENTS);
        std::atomic_signal_fence(std::memory_order_acquire);
        for (int k = 0; k < depth; ++k) {
            s.eventClass[k] = g_eventClass[k];
            s.eventType[k] = g_eventType[k];
        }
        s.events = depth;
        s.ready.store(true);
    }
    g_pending.store(-1);
    errno = saved;
}

QString demangled(const char* name)
{
    if (name == nullptr) return QString();
    int status = 0;
    char* plain = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    const QString out = QString::fromLatin1(status == 0 && plain ? plain : name);
    std::free(plain);
    return out;
}

// Drops argument lists and templates' long tails so that a frame fits a line.
QString shortFunction(QString f)
{
    const int paren = f.indexOf(QLatin1Char('('));
    if (paren > 0) f = f.left(paren);
    if (f.size() > 110) f = f.left(107) + QStringLiteral("...");
    return f;
}

struct Frame {
    QString function;
    QString place; // file:line, or the library
    bool ours = false;
};

QString eventName(int type)
{
    const char* key = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
    return key ? QString::fromLatin1(key) : QString::number(type);
}

} // namespace

StallMonitor::StallMonitor(QObject* parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(int(TICK_NS / 1000000));
    connect(&m_timer, &QTimer::timeout, this, &StallMonitor::tick);
}

StallMonitor::~StallMonitor()
{
    if (m_watching.load()) stop();
}

void StallMonitor::start()
{
    m_raw.clear();
    m_stalls.clear();
    for (Sample& s : g_samples) s.ready.store(false);
    g_nextSample.store(0);
    g_pending.store(-1);
    g_gui = pthread_self();
    // The unwinder loads what it needs on its first use, which must not be
    // inside the signal handler.
    void* warm[4];
    backtrace(warm, 4);
    struct sigaction action {};
    action.sa_sigaction = &takeSample;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(sampleSignal(), &action, nullptr);

    m_lastNs = nowNs();
    m_startNs = m_lastNs;
    g_beatNs.store(m_lastNs);
    g_monitoring.store(true);
    m_timer.start();
    m_watching.store(true);
    m_watchdog = std::thread(&StallMonitor::watch, this);
}

void StallMonitor::stop()
{
    if (!m_watching.exchange(false)) return;
    // Whatever kept the GUI thread since the last tick counts too.
    tick();
    m_watchdog.join();
    m_timer.stop();
    g_monitoring.store(false);
    // A sample asked for at the very end lands before the handler goes.
    while (g_pending.load() != -1) QCoreApplication::processEvents();
    signal(sampleSignal(), SIG_IGN);
    resolve();
}

void StallMonitor::tick()
{
    const qint64 now = nowNs();
    g_beatNs.store(now);
    const double lateMs = double(now - (m_lastNs + TICK_NS)) / 1e6;
    if (lateMs >= m_keepOverMs) m_raw.push_back({m_lastNs, now, m_phase});
    m_lastNs = now;
}

void StallMonitor::watch()
{
    qint64 lastSample = 0;
    while (m_watching.load()) {
        const timespec pause{0, 1000000};
        clock_nanosleep(CLOCK_MONOTONIC, 0, &pause, nullptr);
        const qint64 now = nowNs();
        if (now - g_beatNs.load() < SAMPLE_AFTER_NS || now - lastSample < SAMPLE_EVERY_NS) continue;
        if (g_pending.load() != -1) continue; // the last one is not taken yet
        const int i = g_nextSample.fetch_add(1);
        if (i >= MAX_SAMPLES) continue;
        g_pending.store(i);
        pthread_kill(g_gui, sampleSignal());
        lastSample = now;
    }
}

void StallMonitor::eventBegins(QObject* receiver, QEvent* event)
{
    const int depth = g_eventDepth.load(std::memory_order_relaxed);
    if (depth < MAX_EVENTS) {
        g_eventClass[depth] = receiver ? receiver->metaObject()->className() : "";
        g_eventType[depth] = int(event->type());
    }
    std::atomic_signal_fence(std::memory_order_release);
    g_eventDepth.store(depth + 1, std::memory_order_relaxed);
}

void StallMonitor::eventEnds()
{
    g_eventDepth.store(g_eventDepth.load(std::memory_order_relaxed) - 1, std::memory_order_relaxed);
}

bool StallMonitoredApplication::notify(QObject* receiver, QEvent* event)
{
    if (!g_monitoring.load(std::memory_order_relaxed) || !pthread_equal(pthread_self(), g_gui))
        return QApplication::notify(receiver, event);
    StallMonitor::eventBegins(receiver, event);
    struct Ends {
        ~Ends() { StallMonitor::eventEnds(); }
    } ends;
    return QApplication::notify(receiver, event);
}

void StallMonitor::resolve()
{
    std::vector<RawStall> raw = m_raw;
    std::sort(raw.begin(), raw.end(),
              [](const RawStall& a, const RawStall& b) { return a.toNs - a.fromNs > b.toNs - b.fromNs; });

    // The stacks of each stall to be placed, a few spread over its length.
    const int taken = std::min(g_nextSample.load(), MAX_SAMPLES);
    std::vector<const Sample*> ready;
    for (int i = 0; i < taken; ++i)
        if (g_samples[i].ready.load()) ready.push_back(&g_samples[i]);
    std::sort(ready.begin(), ready.end(), [](const Sample* a, const Sample* b) { return a->ns < b->ns; });
    std::vector<std::vector<const Sample*>> perStall(std::min(raw.size(), size_t(RESOLVED_STALLS)));
    for (size_t k = 0; k < perStall.size(); ++k) {
        const auto from = std::upper_bound(ready.begin(), ready.end(), raw[k].fromNs,
                                           [](qint64 ns, const Sample* s) { return ns < s->ns; });
        const auto to = std::upper_bound(from, ready.end(), raw[k].toNs,
                                         [](qint64 ns, const Sample* s) { return ns < s->ns; });
        const size_t count = size_t(to - from);
        const size_t step = std::max<size_t>(1, count / SAMPLES_PER_STALL);
        for (size_t i = 0; i < count; i += step) perStall[k].push_back(*(from + qsizetype(i)));
    }

    // Every address once: the program's own through addr2line (functions,
    // inlined ones included, with file and line), the libraries' by their
    // exported names. The first two frames are the handler and the signal
    // return; the third is where the thread was stopped, the rest are
    // return addresses (one byte back is inside the call).
    QHash<quintptr, QList<Frame>> frames;
    std::map<quintptr, quintptr> programAddresses; // address -> offset in the program
    Dl_info self{};
    dladdr(reinterpret_cast<void*>(&nowNs), &self);
    const QString program = QFileInfo(QString::fromLocal8Bit(self.dli_fname)).canonicalFilePath();
    for (const auto& list : perStall)
        for (const Sample* s : list)
            for (int f = 2; f < s->frames; ++f) {
                const quintptr a = reinterpret_cast<quintptr>(s->frame[f]) - (f > 2 ? 1 : 0);
                if (frames.contains(a)) continue;
                Dl_info info{};
                if (dladdr(reinterpret_cast<void*>(a), &info) == 0 || info.dli_fname == nullptr) {
                    frames.insert(a, {Frame{QStringLiteral("?"), QString(), false}});
                    continue;
                }
                if (info.dli_fbase == self.dli_fbase) {
                    programAddresses[a] = a - reinterpret_cast<quintptr>(info.dli_fbase);
                    frames.insert(a, {});
                    continue;
                }
                const QString library = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).fileName();
                const QString name = info.dli_sname ? demangled(info.dli_sname) : QStringLiteral("?");
                frames.insert(a, {Frame{shortFunction(name), library, false}});
            }
    if (!programAddresses.empty()) {
        QByteArray input;
        for (const auto& [address, offset] : programAddresses) input += "0x" + QByteArray::number(qulonglong(offset), 16) + '\n';
        QProcess addr2line;
        addr2line.start(QStringLiteral("addr2line"), {QStringLiteral("-e"), program, QStringLiteral("-f"),
                                                      QStringLiteral("-C"), QStringLiteral("-i"), QStringLiteral("-a")});
        addr2line.write(input);
        addr2line.closeWriteChannel();
        addr2line.waitForFinished(120000);
        const QList<QByteArray> lines = addr2line.readAllStandardOutput().split('\n');
        std::map<quintptr, quintptr> byOffset;
        for (const auto& [address, offset] : programAddresses) byOffset[offset] = address;
        QList<Frame>* current = nullptr;
        for (int i = 0; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            if (line.startsWith("0x")) {
                const quintptr offset = quintptr(line.mid(2).toULongLong(nullptr, 16));
                const auto it = byOffset.find(offset);
                current = it == byOffset.end() ? nullptr : &frames[it->second];
                continue;
            }
            if (!current || line.isEmpty() || i + 1 >= lines.size()) continue;
            QString place = QString::fromLocal8Bit(lines[++i].trimmed());
            const int discriminator = place.indexOf(QStringLiteral(" (discriminator"));
            if (discriminator > 0) place.truncate(discriminator);
            Frame f{shortFunction(QString::fromLocal8Bit(line)), place, false};
            // Debug information names files as the compiler saw them (a
            // shared compiler cache may have seen another checkout), so the
            // project's files are told by their path inside it.
            static const QRegularExpression projectFile(QStringLiteral("(?:^|/)((src|bench|tools|tests)/.*)$"));
            const QRegularExpressionMatch m = projectFile.match(place);
            if (m.hasMatch()) {
                f.place = m.captured(1);
                f.ours = m.captured(2) == QLatin1String("src");
            }
            current->append(f);
        }
    }

    for (size_t k = 0; k < raw.size(); ++k) {
        Stall st;
        st.ms = double(raw[k].toNs - raw[k].fromNs - TICK_NS) / 1e6;
        st.atSec = double(raw[k].toNs - m_startNs) / 1e9;
        st.phase = raw[k].phase;
        if (k < perStall.size() && !perStall[k].empty()) {
            // The stack whose innermost frame of ours is the most frequent
            // stands for the stall.
            QHash<QString, int> votes;
            std::vector<QList<Frame>> stacks;
            for (const Sample* s : perStall[k]) {
                QList<Frame> stack;
                for (int f = 2; f < s->frames; ++f) {
                    const quintptr a = reinterpret_cast<quintptr>(s->frame[f]) - (f > 2 ? 1 : 0);
                    stack += frames.value(a);
                }
                QString key;
                for (const Frame& f : stack)
                    if (f.ours) {
                        key = f.function;
                        break;
                    }
                ++votes[key];
                stacks.push_back(stack);
            }
            int best = 0;
            QString bestKey;
            for (auto it = votes.cbegin(); it != votes.cend(); ++it)
                if (it.value() > best) {
                    best = it.value();
                    bestKey = it.key();
                }
            const Sample* chosen = nullptr;
            const QList<Frame>* stack = nullptr;
            for (size_t i = 0; i < stacks.size() && !stack; ++i) {
                for (const Frame& f : stacks[i])
                    if (f.ours) {
                        if (f.function == bestKey) {
                            stack = &stacks[i];
                            chosen = perStall[k][i];
                        }
                        break;
                    }
                if (!stack && bestKey.isEmpty()) {
                    stack = &stacks[i];
                    chosen = perStall[k][i];
                }
            }
            if (stack) {
                const QList<Frame>& frames = *stack;
                const auto text = [](const Frame& f) { return f.function + QStringLiteral("  ") + f.place; };
                // Where the event being delivered entered the project's code:
                // the outermost frame of ours inside the innermost delivery.
                int boundary = int(frames.size());
                for (int i = 0; i < frames.size(); ++i)
                    if (frames[i].function.contains(QLatin1String("notify_helper")) ||
                        frames[i].function.contains(QLatin1String("QCoreApplication::notifyInternal2"))) {
                        boundary = i;
                        break;
                    }
                QList<int> ours;
                for (int i = 0; i < boundary; ++i)
                    if (frames[i].ours) ours << i;
                if (ours.isEmpty()) // called outside any event (the driver's own calls)
                    for (int i = 0; i < frames.size(); ++i)
                        if (frames[i].ours) ours << i;
                if (!ours.isEmpty()) {
                    const Frame& inner = frames[ours.first()];
                    const Frame& entry = frames[ours.last()];
                    st.place = inner.function == entry.function
                                   ? text(inner)
                                   : inner.function + QStringLiteral("  <-  ") + entry.function + QStringLiteral("  ") +
                                         entry.place;
                    for (int i = std::max(0, ours.first() - 3); i < ours.first(); ++i) st.outside << text(frames[i]);
                    // The innermost frames and the entry, the middle of a long chain left out.
                    // (a read from the card is six frames deep before it reaches who asked).
                    for (int k = 0; k < ours.size(); ++k) {
                        if (ours.size() > 16 && k == 6) st.stack << QStringLiteral("...");
                        if (ours.size() > 16 && k >= 6 && k < ours.size() - 9) continue;
                        st.stack << text(frames[ours[k]]);
                    }
                } else {
                    // Nothing of ours: the innermost library that is not the C
                    // or C++ runtime (a GL driver, Qt's painting), and the event.
                    static const QRegularExpression runtime(
                        QStringLiteral("^(libc|libstdc\\+\\+|libgcc_s|ld-linux.*|libpthread)\\.so"));
                    const auto library = std::find_if(frames.begin(), frames.end(), [](const Frame& f) {
                        return !f.place.isEmpty() && !runtime.match(f.place).hasMatch();
                    });
                    if (library != frames.end()) st.place = text(*library);
                    if (chosen->events > 0) {
                        const int e = chosen->events - 1;
                        st.place += QStringLiteral("  during ") + QString::fromLatin1(chosen->eventClass[e]) +
                                    QLatin1Char(' ') + eventName(chosen->eventType[e]);
                    }
                    for (int i = 0; i < frames.size() && st.stack.size() < 8; ++i) st.stack << text(frames[i]);
                }
                for (int e = 0; e < chosen->events; ++e)
                    st.events << QString::fromLatin1(chosen->eventClass[e]) + QLatin1Char(' ') +
                                     eventName(chosen->eventType[e]);
            }
            st.samples = int(perStall[k].size());
        }
        m_stalls.append(st);
    }
}

double StallMonitor::longestMs(const QString& phase) const
{
    for (const Stall& s : m_stalls)
        if (phase.isEmpty() || s.phase == phase) return s.ms;
    return 0.0;
}

QString StallMonitor::placesReport(double overMs) const
{
    struct Place {
        int count = 0;
        double longest = 0.0;
        double total = 0.0;
        QStringList phases;
    };
    QHash<QString, Place> places;
    for (const Stall& s : m_stalls) {
        if (s.ms <= overMs) continue;
        Place& p = places[s.place.isEmpty() ? QStringLiteral("(no stack taken)") : s.place];
        ++p.count;
        p.longest = std::max(p.longest, s.ms);
        p.total += s.ms;
        if (!p.phases.contains(s.phase)) p.phases << s.phase;
    }
    QList<QPair<QString, Place>> sorted;
    for (auto it = places.cbegin(); it != places.cend(); ++it) sorted.append({it.key(), it.value()});
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.second.longest > b.second.longest; });
    QString out;
    for (const auto& [place, p] : sorted)
        out += QStringLiteral("  %1 x %2 ms longest, %3 ms in all  %4  [%5]\n")
                   .arg(p.count, 4)
                   .arg(p.longest, 8, 'f', 1)
                   .arg(p.total, 8, 'f', 0)
                   .arg(place, p.phases.join(QStringLiteral(", ")));
    return out;
}

int StallMonitor::countOverMs(double ms) const
{
    return int(std::count_if(m_stalls.cbegin(), m_stalls.cend(), [ms](const Stall& s) { return s.ms > ms; }));
}

QString StallMonitor::report(int count) const
{
    QString out;
    for (int i = 0; i < m_stalls.size() && i < count; ++i) {
        const Stall& s = m_stalls[i];
        out += QStringLiteral("%1. %2 ms at %3 s  [%4]\n")
                   .arg(i + 1, 2)
                   .arg(s.ms, 8, 'f', 1)
                   .arg(s.atSec, 0, 'f', 1)
                   .arg(s.phase);
        if (!s.events.isEmpty()) {
            // The outermost event and the innermost two say most.
            QStringList shown = s.events;
            if (shown.size() > 3) shown = QStringList{shown.first(), QStringLiteral("..."), shown[shown.size() - 2], shown.last()};
            out += QStringLiteral("      event:  %1\n").arg(shown.join(QStringLiteral(" > ")));
        }
        for (int k = 0; k < s.outside.size(); ++k)
            out += QStringLiteral("      %1  %2\n").arg(k == 0 ? QStringLiteral("inside:") : QStringLiteral("       "), s.outside[k]);
        for (int k = 0; k < s.stack.size(); ++k)
            out += QStringLiteral("      %1  %2\n").arg(k == 0 ? QStringLiteral("at:    ") : QStringLiteral("       "), s.stack[k]);
        if (s.samples == 0) out += QStringLiteral("      (no stack taken: shorter than the watchdog's first look)\n");
    }
    return out;
}
