// Backing up a card of about 2 GB (20 chapters of 100 MB and the management
// files) against `cp -r` of the same files to the same disk, in the same run.
//
// Like is compared with like: the backup is complete only once every file
// and folder is flushed, so `cp -r` is timed together with the `sync` that
// follows it; each side starts with nothing left to write back, and the two
// take turns going first. Target: the backup at least 0.9 of cp's
// throughput ("ratio").
//
// The card comes from the card generator (names, index files, folders); its
// movies are then made 100 MB each with incompressible bytes, as recorded
// video is.

#include "CardGen.h"
#include "core/backup/BackupCopyJob.h"
#include "core/catalog/CardData.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int TRIPS = 4;
constexpr int CHAPTERS = 5;
constexpr qint64 CHAPTER_BYTES = 100LL * 1024 * 1024;

struct Card {
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/bench-backup-XXXXXX")};
    QString moveDir;
    QStringList chapters;
    qint64 bytes = 0;
};

void run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0) throw std::runtime_error("child program failed");
}

Card& card()
{
    static Card c = [] {
        Card out;
        cardgen::CardOptions o;
        o.versionFile = false;
        o.settingsFile = false;
        for (int t = 0; t < TRIPS; ++t) {
            cardgen::TripOptions trip;
            trip.chapters = CHAPTERS;
            trip.chapterSeconds = 10;
            trip.drive.startTime = 1773523800 + quint32(t) * 3600;
            trip.drive.seed = quint64(t) + 1;
            trip.format.realVideo = false;
            trip.folder = QStringLiteral("MOVE%1").arg(t + 1, 3, 10, QLatin1Char('0'));
            o.trips.push_back(trip);
        }
        // The card in a folder of its own: a backup beside its MOVE folder would be on the card.
        const auto written = cardgen::writeCard(out.dir.filePath(QStringLiteral("card")), o);
        out.moveDir = written.moveDir;
        std::mt19937_64 random(42);
        std::vector<quint64> block(1 << 17); // 1 MB
        for (const auto& trip : written.trips)
            for (const auto& movie : trip.chapters) {
                QFile f(movie.path);
                if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write");
                for (qint64 done = 0; done < CHAPTER_BYTES; done += qint64(block.size() * 8)) {
                    for (auto& v : block) v = random();
                    f.write(reinterpret_cast<const char*>(block.data()), qint64(block.size() * 8));
                }
                out.chapters.append(movie.path);
            }
        QDirIterator it(out.moveDir, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            out.bytes += it.fileInfo().size();
        }
        run(QStringLiteral("sync"), {});
        return out;
    }();
    return c;
}

double backupSeconds(const Card& c, const QString& dest)
{
    const auto plan = BackupCopyJob::makePlan(c.moveDir, dest, c.chapters);
    if (!plan.plan) throw std::runtime_error(plan.error.toStdString());
    TaskCancelFlag cancel;
    QElapsedTimer t;
    t.start();
    const auto result = BackupCopyJob::run(*plan.plan, cancel);
    const double s = double(t.nsecsElapsed()) / 1e9;
    if (result.status != BackupCopyJob::Status::Completed) throw std::runtime_error(result.error.toStdString());
    return s;
}

double cpSeconds(const Card& c, const QString& dest)
{
    QElapsedTimer t;
    t.start();
    run(QStringLiteral("cp"), {QStringLiteral("-r"), c.moveDir, dest});
    run(QStringLiteral("sync"), {});
    return double(t.nsecsElapsed()) / 1e9;
}

void clear(const QString& dest)
{
    QDir(dest).removeRecursively();
    run(QStringLiteral("sync"), {});
}

void BM_BackupCopyAgainstCp(benchmark::State& state)
{
    const Card& c = card();
    const QString ours = c.dir.filePath(QStringLiteral("ours"));
    const QString theirs = c.dir.filePath(QStringLiteral("theirs"));
    double oursTotal = 0, cpTotal = 0;
    int turn = 0;
    for (auto _ : state) {
        double a = 0, b = 0;
        if (turn++ % 2 == 0) {
            a = backupSeconds(c, ours);
            clear(ours);
            b = cpSeconds(c, theirs);
            clear(theirs);
        } else {
            b = cpSeconds(c, theirs);
            clear(theirs);
            a = backupSeconds(c, ours);
            clear(ours);
        }
        state.SetIterationTime(a);
        oursTotal += a;
        cpTotal += b;
    }
    const double mb = double(c.bytes) / 1048576.0;
    const double n = double(state.iterations());
    state.counters["cardMB"] = mb;
    state.counters["backupMBps"] = mb * n / oursTotal;
    state.counters["cpSyncMBps"] = mb * n / cpTotal;
    state.counters["ratio"] = cpTotal / oursTotal;
}
BENCHMARK(BM_BackupCopyAgainstCp)->UseManualTime()->Iterations(6)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
