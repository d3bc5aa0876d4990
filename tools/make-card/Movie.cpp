#include "CardGen.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTimeZone>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>

namespace cardgen {
namespace {

constexpr int FPS = 28;

QString ffmpegProgram()
{
    const QByteArray env = qgetenv("KR_FFMPEG");
    return env.isEmpty() ? QStringLiteral("ffmpeg") : QString::fromLocal8Bit(env);
}

QByteArray readWhole(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

bool looksLikeMp4(const QByteArray& b)
{
    return b.size() > 16 && b.mid(4, 4) == "ftyp";
}

// ffmpeg's test pattern is costly to draw large: a big picture is drawn at
// half its size and scaled up, which halves the time of a full-HD card.
constexpr int LARGEST_DRAWN_WIDTH = 640;

bool drawnScaled(int width)
{
    return width > LARGEST_DRAWN_WIDTH;
}

void runFfmpeg(int seconds, int width, int height, bool audio, const QString& outPath)
{
    const bool scaled = drawnScaled(width);
    const int drawnWidth = scaled ? (width / 2) & ~1 : width;
    const int drawnHeight = scaled ? (height / 2) & ~1 : height;
    QStringList args = {
        QStringLiteral("-hide_banner"),
        QStringLiteral("-nostdin"),
        QStringLiteral("-loglevel"),
        QStringLiteral("error"),
        QStringLiteral("-y"),
        QStringLiteral("-f"),
        QStringLiteral("lavfi"),
        QStringLiteral("-i"),
        QStringLiteral("testsrc=size=%1x%2:rate=%3:duration=%4").arg(drawnWidth).arg(drawnHeight).arg(FPS).arg(seconds),
    };
    if (audio)
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=440:sample_rate=48000:duration=%1").arg(seconds);
    if (scaled)
        args << QStringLiteral("-vf") << QStringLiteral("scale=%1:%2:flags=bilinear").arg(width).arg(height);
    args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
         << QStringLiteral("ultrafast") << QStringLiteral("-crf") << QStringLiteral("38") << QStringLiteral("-g")
         << QStringLiteral("28") << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    if (audio)
        args << QStringLiteral("-c:a") << QStringLiteral("aac") << QStringLiteral("-b:a") << QStringLiteral("48k")
             << QStringLiteral("-ac") << QStringLiteral("1");
    args << QStringLiteral("-fflags") << QStringLiteral("+bitexact") << QStringLiteral("-flags:v")
         << QStringLiteral("+bitexact") << QStringLiteral("-map_metadata") << QStringLiteral("-1")
         << QStringLiteral("-movflags") << QStringLiteral("+faststart") << QStringLiteral("-f") << QStringLiteral("mp4")
         << outPath;
    QProcess p;
    // Both channels go to one buffer that is read after the run, so nothing
    // is left as an unread pipe.
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(ffmpegProgram(), args);
    if (!p.waitForStarted(30000))
        throw std::runtime_error("make-card: cannot start ffmpeg (" + ffmpegProgram().toStdString() + ")");
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished(5000);
        throw std::runtime_error("make-card: ffmpeg did not finish");
    }
    const QByteArray log = p.readAll();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("make-card: ffmpeg failed: " + log.trimmed().toStdString());
}

} // namespace

QString defaultVideoCacheDir()
{
    const QByteArray env = qgetenv("KR_CARDGEN_CACHE");
    if (!env.isEmpty()) return QString::fromLocal8Bit(env);
    // A folder of the user's own: a shared temporary folder would let another
    // user plant the video bytes the cards are made of.
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/korvelta-cardgen");
}

QByteArray stubVideoBytes(int seconds)
{
    // Stand-ins for the boxes ffmpeg writes, for tests that need no pictures.
    QByteArray ftyp(20, '\0');
    putU32(ftyp, 0, 20);
    ftyp.replace(4, 4, "ftyp");
    ftyp.replace(8, 4, "isom");
    putU32(ftyp, 12, 0x200);
    ftyp.replace(16, 4, "isom");
    QByteArray moov(8, '\0');
    putU32(moov, 0, 8);
    moov.replace(4, 4, "moov");
    QByteArray mdat(8 + 16 * std::max(1, seconds), '\0');
    putU32(mdat, 0, quint32(mdat.size()));
    mdat.replace(4, 4, "mdat");
    return ftyp + moov + mdat;
}

QByteArray videoBytes(int seconds, const QString& cacheDir, int width, int height, bool audio)
{
    if (seconds < 1) seconds = 1;
    width = std::clamp(width & ~1, 16, 3840);
    height = std::clamp(height & ~1, 16, 2160);
    static QMutex mutex;
    static QHash<QString, QByteArray> memory;
    const QString dir = cacheDir.isEmpty() ? defaultVideoCacheDir() : cacheDir;
    const QString name = QStringLiteral("testsrc-%1x%2-%3fps-%4s%5-v%6.mp4")
                             .arg(width)
                             .arg(height)
                             .arg(FPS)
                             .arg(seconds)
                             .arg(audio ? QStringLiteral("-aac") : QString())
                             .arg(drawnScaled(width) ? 2 : 1);
    const QString path = dir + QLatin1Char('/') + name;

    QMutexLocker lock(&mutex);
    if (auto it = memory.constFind(path); it != memory.constEnd()) return *it;

    QByteArray bytes = readWhole(path);
    if (!looksLikeMp4(bytes)) {
        if (!QDir().mkpath(dir)) throw std::runtime_error("make-card: cannot create " + dir.toStdString());
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // Several test programs may fill the cache at once: each writes a file
        // of its own and renames it into place, which replaces atomically.
        static std::atomic<int> counter{0};
        const QString tmp =
            dir + QStringLiteral("/.part-%1-%2-%3").arg(qint64(::getpid())).arg(counter++).arg(name);
        try {
            runFfmpeg(seconds, width, height, audio, tmp);
        } catch (...) {
            QFile::remove(tmp);
            throw;
        }
        bytes = readWhole(tmp);
        if (!looksLikeMp4(bytes)) {
            QFile::remove(tmp);
            throw std::runtime_error("make-card: ffmpeg wrote no MP4 movie");
        }
        if (std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path).constData()) != 0)
            QFile::remove(tmp);
    }
    memory.insert(path, bytes);
    return bytes;
}

QString tripKey(quint32 unixTime, const QString& timeZone)
{
    QTimeZone zone(timeZone.toUtf8());
    if (!zone.isValid()) zone = QTimeZone::utc();
    return QDateTime::fromSecsSinceEpoch(qint64(unixTime), zone).toString(QStringLiteral("yyyyMMddHHmm"));
}

QString movieFileName(const QString& key, int number, NameShape shape)
{
    const QString n = QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'));
    return shape == NameShape::MPrefix ? QStringLiteral("m") + key + n + QStringLiteral(".MP4")
                                       : key + QLatin1Char('_') + n + QStringLiteral(".MP4");
}

QString indexName(const QString& key, int number)
{
    return key + QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'));
}

int nextFileNumber(int n)
{
    return n >= 9999 ? 1 : n + 1;
}

WrittenMovie writeMovieFromSamples(const QString& path, const std::vector<FrameSample>& input,
                                   int durationSeconds, const MovieFormat& f, quint32 startTime,
                                   const QString& videoCacheDir)
{
    if (input.empty()) throw std::invalid_argument("make-card: a movie needs frame samples");
    WrittenMovie m;
    m.path = path;
    m.fileName = QFileInfo(path).fileName();
    m.startTime = startTime;

    std::vector<FrameSample> samples = input;
    const qint64 movieStartMs = samples.front().tripMs;
    int videoSeconds = std::max(1, durationSeconds);
    if (f.damage & PowerLoss) {
        qint64 cut = f.powerLossAtMs >= 0 ? f.powerLossAtMs : qint64(durationSeconds) * 2000 / 3;
        cut = std::max<qint64>(1, cut);
        std::erase_if(samples, [&](const FrameSample& s) { return s.tripMs - movieStartMs >= cut; });
        if (samples.empty()) samples.push_back(input.front());
        // The recorder flags the frames it saved while the supply failed.
        int flagged = 0;
        for (auto it = samples.rbegin(); it != samples.rend() && flagged < 3; ++it)
            if (it->id == 0x55) {
                it->powerDown = true;
                ++flagged;
            }
        videoSeconds = int(std::max<qint64>(1, (cut + 999) / 1000));
    }
    for (FrameSample& s : samples)
        s.kind = f.kind;

    quint32 firstStamp = 0, lastStamp = 0;
    bool anyPicture = false;
    for (const FrameSample& s : samples)
        if (s.id == 0x55) {
            if (!anyPicture) firstStamp = s.stamp;
            lastStamp = s.stamp;
            anyPicture = true;
        }
    if (!anyPicture) firstStamp = lastStamp = samples.front().stamp;
    m.firstStamp = firstStamp;
    m.lastStamp = lastStamp;
    m.recordingId = f.recordingId ? f.recordingId : (0x52430000u | ((firstStamp / 100u) & 0xFFFFu));

    // One run per second of the movie.
    std::vector<std::vector<FrameSample*>> runSamples;
    for (FrameSample& s : samples) {
        const size_t run = size_t((s.tripMs - movieStartMs) / 1000);
        if (runSamples.size() <= run) runSamples.resize(run + 1);
        runSamples[run].push_back(&s);
    }
    if (f.damage & InvalidBcd) {
        const size_t run = runSamples.size() > 1 ? 1 : 0;
        auto& rs = runSamples[run];
        if (rs.size() > 3) {
            rs[3]->eventCode = 0x1A; // low nibble over 9
            m.damagedRecords.push_back({int(run) + 1, 3, 0x1A, rs[3]->eventQualifier});
        }
        if (rs.size() > 5) {
            rs[5]->eventCode = 0x14; // overspeed with a qualifier that is not BCD
            rs[5]->eventQualifier = 0xA1;
            m.damagedRecords.push_back({int(run) + 1, 5, 0x14, 0xA1});
        }
    }
    std::vector<QByteArray> runs;
    runs.reserve(runSamples.size());
    for (const auto& rs : runSamples) {
        QByteArray run;
        run.reserve(qsizetype(rs.size()) * 64);
        for (const FrameSample* s : rs)
            run.append(encodeFrameRecord(*s, m.recordingId));
        runs.push_back(run);
        m.runRecords.push_back(int(rs.size()));
    }
    m.samples = samples;

    RecordingHeader h;
    h.kind = f.kind;
    h.detectTime = f.detectTime.value_or(startTime);
    h.detectStamp = f.detectStamp.value_or(firstStamp);
    h.sw = f.headerSw;
    h.recordingId = m.recordingId;
    h.infoRecords = {fileInfoRecord(f.formatCode), qualityModeRecord(f.qualityMode)};
    for (const Record8& r : f.extraInfoRecords)
        h.infoRecords.push_back(r);
    QByteArray header = encodeRecordingHeader(h);
    if (f.damage & ShortHeader) {
        const int len = f.headerLength >= 0 ? f.headerLength : int(header.size()) - 8;
        header = header.left(std::max(0, len));
    }

    const QByteArray video =
        f.realVideo ? videoBytes(videoSeconds, videoCacheDir, f.videoWidth, f.videoHeight, f.audio)
                    : stubVideoBytes(videoSeconds);
    const int head = boxHeaderLength(f.udatSize);
    const quint64 payloadOffset = quint64(video.size()) + quint64(head);
    QByteArray payload = buildUdatPayload(payloadOffset, header, runs);
    if (f.damage & OverlappingRanges) {
        // The runs lie one after another up to the end of the payload; each
        // range is stretched to that end.
        quint64 runStart = payloadOffset + 8 + 8 * (1 + runs.size()) + quint64(header.size());
        const quint64 end = payloadOffset + quint64(payload.size());
        for (size_t i = 0; i < runs.size(); ++i) {
            putU32(payload, int(12 + 8 * (i + 1)), quint32(end - runStart));
            runStart += quint64(runs[i].size());
        }
    }
    QByteArray box = buildBox("udat", payload, f.udatSize);
    if (f.damage & BoxPastEnd) {
        const quint64 claimed = quint64(box.size()) + 4096;
        if (f.udatSize == BoxSizeForm::Size64)
            putU64(box, 8, claimed);
        else
            putU32(box, 0, quint32(claimed));
    }

    m.videoBytes = video.size();
    m.videoSeconds = videoSeconds;
    m.udatOffset = video.size();
    m.udatLength = box.size();
    m.headerOffset = qint64(payloadOffset) + 8 + 8 * qint64(1 + runs.size());
    m.headerLength = int(header.size());

    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        throw std::runtime_error("make-card: cannot create " + info.absolutePath().toStdString());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(video) != video.size() || out.write(box) != box.size() ||
        !out.commit())
        throw std::runtime_error("make-card: cannot write " + path.toStdString());

    static const QRegularExpression mShape(QStringLiteral("^m(\\d{12})(\\d{4})\\.MP4$"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression uShape(QStringLiteral("^(\\d{12})_(\\d{4})\\.MP4$"),
                                           QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch match = mShape.match(m.fileName);
    if (!match.hasMatch()) match = uShape.match(m.fileName);
    if (match.hasMatch()) {
        m.tripKey = match.captured(1);
        m.fileNumber = match.captured(2).toInt();
        m.indexName = m.tripKey + match.captured(2);
    }
    return m;
}

WrittenMovie writeMovie(const QString& path, const MovieOptions& o)
{
    const int seconds = std::max(1, o.durationSeconds);
    const auto samples = simulateDrive(o.drive, qint64(seconds) * 1000, FPS, o.format.soundPerSecond);
    return writeMovieFromSamples(path, samples, seconds, o.format, o.drive.startTime, o.videoCacheDir);
}

} // namespace cardgen
