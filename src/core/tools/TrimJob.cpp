#include "core/tools/TrimJob.h"

#include "core/media/AVUtil.h"
#include "core/recording/CutVideoInfo.h"
#include "core/recording/CutVideoUtility.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"
#include "core/settings/SettingInfo.h"
#include "core/tools/AssSubtitle.h"
#include "core/tools/FfmpegArguments.h"
#include "core/tools/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <limits>

namespace {

// No piece at an end of the range is cut shorter than this where its chapter allows.
constexpr std::int32_t kShortestEnd = 1100;
constexpr qint64 kCopyChunk = qint64(4) << 20;
constexpr qint64 kReportBeatMs = 200;

// Shares of the bar: reading the records, cutting, writing.
constexpr double kRecordsShare = 2.0;
constexpr double kCutShare = 94.0;
constexpr double kWriteShare = 3.0;

QString localPath(const QUrl& url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.toString();
}

std::optional<std::uint32_t> stampAt(const std::shared_ptr<const VideoInfo>& video, std::int32_t offset)
{
    if (!video) return std::nullopt;
    return video->frameAt(1, offset, true)->_movieTimeStamp;
}

bool writeText(const QString& path, const QString& text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const QByteArray bytes = text.toUtf8();
    return f.write(bytes) == bytes.size() && f.flush();
}

} // namespace

TrimJob::TrimJob(TrimRequest request, TaskCancelFlag cancel, Progress progress)
    : m_request(std::move(request)),
      m_cancel(std::move(cancel)),
      m_progress(std::move(progress)),
      m_runner(m_request.ffmpegProgram)
{
}

TrimJob::Plan TrimJob::plan(const ChapterList& chapters, std::int32_t start, std::int32_t end)
{
    Plan p;
    if (chapters.isEmpty() || end <= start) return p;
    qsizetype sIdx = 0;
    qsizetype eIdx = 0;
    std::int32_t sOff = 0;
    std::int32_t eOff = 0;
    PictureDataUtil::chapterIndex(chapters, start, sIdx, sOff);
    PictureDataUtil::chapterIndex(chapters, end, eIdx, eOff);
    const auto spanOf = [&](qsizetype i) {
        return std::int32_t(std::clamp<qint64>(chapters[i] ? chapters[i]->timeSpan() : 0, 0, INT32_MAX));
    };
    if (const std::int32_t span = spanOf(sIdx); span - sOff < kShortestEnd) {
        sOff = std::max(0, span - kShortestEnd);
        start = PictureDataUtil::position(chapters, sIdx, sOff);
    }
    if (eOff < kShortestEnd) {
        eOff = std::min(spanOf(eIdx), kShortestEnd);
        end = PictureDataUtil::position(chapters, eIdx, eOff);
    }
    if (eIdx < sIdx || end <= start) return p;
    p.start = start;
    p.end = end;
    for (qsizetype i = sIdx; i <= eIdx; ++i)
        p.pieces.push_back({i, i == sIdx ? sOff : 0, i == eIdx ? eOff : spanOf(i)});
    return p;
}

std::optional<QByteArray> TrimJob::udatBox(const QByteArray& archive)
{
    const QByteArray record = SettingInfo().makeRecord(SettingInfo::DataType::FileInfo);
    const quint64 size = 8u + quint64(record.size()) + quint64(archive.size());
    if (record.size() != SettingInfo::ITEM_BYTE_COUNT || size > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    QByteArray box;
    box.reserve(qsizetype(size));
    for (int shift = 24; shift >= 0; shift -= 8)
        box.append(char((size >> shift) & 0xFF));
    box.append("udat", 4);
    box.append(record);
    box.append(archive);
    return box;
}

void TrimJob::report(double percent)
{
    // Never backwards; no flood of small steps, but a beat every 200 ms.
    percent = std::clamp(std::max(percent, m_reported), 0.0, 99.0);
    const bool beat = !m_sinceReport.isValid() || m_sinceReport.hasExpired(kReportBeatMs);
    if (percent < m_reported + 0.05 && !beat) return;
    m_reported = percent;
    m_sinceReport.start();
    if (m_progress) m_progress(percent);
}

TrimJob::Result TrimJob::fail(const QString& detail) const
{
    return {m_cancel.isCancelled() ? Outcome::Cancelled : Outcome::Failed, detail};
}

bool TrimJob::runFfmpeg(const QStringList& args, double from, double to, qint64 lengthMs, Result& failure)
{
    report(from);
    const FfmpegRunner::Result r = m_runner.run(args, m_cancel, [&](qint64 outMs) {
        if (lengthMs > 0) report(from + (to - from) * std::min(1.0, double(outMs) / double(lengthMs)));
    });
    if (r.ok()) {
        report(to);
        return true;
    }
    if (!r.errorTail.isEmpty()) qWarning("ffmpeg: %s", qPrintable(r.errorTail));
    failure = fail(QStringLiteral("ffmpeg ended with status %1").arg(r.exitCode));
    return false;
}

TrimJob::Result TrimJob::run()
{
    const TrimRequest& q = m_request;
    // Nothing is cut towards a file that cannot be written: a recording, the
    // card's recording folder, a folder at the name.
    if (const OutputFile::Check target = OutputFile::check(q.chapters, q.outputPath); !target.ok())
        return {Outcome::Failed, target.detail, target.reason, target.refused};

    // Everything temporary lives in a folder of this job's own, made
    // private (0700), and goes with it whichever way the job ends.
    const QString base = q.workFolderBase.isEmpty() ? QDir::tempPath() : q.workFolderBase;
    QTemporaryDir work(QDir(base).filePath(QStringLiteral("kr-trim-XXXXXX")));
    if (!work.isValid()) return fail(QStringLiteral("no work folder: ") + work.errorString());
    const auto workFile = [&work](const QString& name) { return work.filePath(name); };

    const Plan range = plan(q.chapters, q.start, q.end);
    if (!range.valid()) return fail(QStringLiteral("empty range"));
    const bool hasData = q.selection.any();
    const std::size_t n = range.pieces.size();

    // Pass 1: each chapter's movie and recording; the record of the range.
    struct Source {
        QString movie;
        AVUtil::MovieProbe probe;
        std::shared_ptr<const VideoInfo> video;
        std::optional<std::uint32_t> from; // movie ms where the piece starts
        std::optional<std::uint32_t> to;
    };
    std::vector<Source> sources(n);
    std::vector<RecordPiece> recordPieces;
    recordPieces.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        if (m_cancel.isCancelled()) return fail(QStringLiteral("cancelled"));
        const Piece& piece = range.pieces[k];
        const std::shared_ptr<ChapterData>& chapter = q.chapters[piece.chapter];
        Source& s = sources[k];
        s.movie = chapter ? localPath(chapter->_pathMp4) : QString();
        const std::optional<AVUtil::MovieProbe> probe = AVUtil::probe(s.movie);
        if (!probe) return fail(QStringLiteral("cannot read the movie ") + s.movie);
        s.probe = *probe;
        const std::shared_ptr<const PictureData> picture = chapter->loadPicture(true);
        s.video = picture ? picture->video : nullptr;
        if (k == 0) s.from = stampAt(s.video, piece.from);
        if (k + 1 == n) s.to = stampAt(s.video, piece.to);
        // The last piece ends where the cut ends in its movie; the others
        // run to their movie's end.
        const qint64 movieTime = k + 1 == n && s.to ? qint64(*s.to) : s.probe.durationMs;
        recordPieces.push_back({s.video, piece.from, piece.to, movieTime});
        report(kRecordsShare * double(k + 1) / double(n));
    }
    const std::optional<CutVideoKihonInfo> record = TrimJob::record(recordPieces, q.selection);
    if (!record) return fail(QStringLiteral("no recording data in the range"));

    // Pass 2: the chapters joined and cut in one ffmpeg run, so the picture
    // is decoded and encoded once, as a hand-made ffmpeg command would.
    std::vector<FfmpegArguments::Chapter> list;
    std::vector<CaptionSource> captionSources;
    qint64 offset = 0; // where each chapter's movie starts in the cut
    for (std::size_t k = 0; k < n; ++k) {
        const Source& s = sources[k];
        if (!QFileInfo(s.movie).isFile()) return fail(QStringLiteral("missing movie ") + s.movie);
        const std::uint32_t length = std::uint32_t(std::clamp<qint64>(s.probe.durationMs, 1, UINT32_MAX));
        list.push_back({QFileInfo(s.movie).absoluteFilePath(), length});
        const std::uint32_t from = k == 0 ? s.from.value_or(0) : 0;
        captionSources.push_back({s.video, from, k + 1 == n ? s.to : std::nullopt, length});
        offset += qint64(length) - from;
    }
    const Source& last = sources.back();
    const qint64 cutLength = last.to ? offset - qint64(last.probe.durationMs) + *last.to : offset;
    if (cutLength <= 0) return fail(QStringLiteral("empty cut"));

    FfmpegArguments::Trim cut;
    cut.listPath = workFile(QStringLiteral("chapters.txt"));
    cut.output = workFile(QStringLiteral("cut.mp4"));
    cut.start = sources.front().from.value_or(0);
    cut.length = std::uint32_t(std::min<qint64>(cutLength, UINT32_MAX));
    const std::optional<QString> listText = FfmpegArguments::concatList(list, cut.start);
    if (!listText || !writeText(cut.listPath, *listText)) return fail(QStringLiteral("cannot write the list of chapters"));
    if (hasData) {
        cut.assPath = workFile(QStringLiteral("movinfo.ass"));
        const AVUtil::MovieProbe& size = sources.front().probe;
        const std::vector<AssSubtitle::Event> events = captionEvents(captionSources, q.selection, q.settings);
        if (!writeText(cut.assPath, AssSubtitle::text(size.width, size.height, events)))
            return fail(QStringLiteral("cannot write the subtitles"));
    }
    if (m_cancel.isCancelled()) return fail(QStringLiteral("cancelled"));
    Result failure;
    if (!runFfmpeg(FfmpegArguments::trim(cut), kRecordsShare, kRecordsShare + kCutShare, cutLength, failure))
        return failure;
    const QString finished = cut.output;
    const double done = kRecordsShare + kCutShare;

    // The movie and its box, written beside the target and renamed over it.
    const std::optional<QByteArray> box = udatBox(CutVideoUtility::encodeKihonInfo(*record));
    if (!box) return fail(QStringLiteral("the trim record is too large"));
    return writeOutput(q.chapters, finished, *box, q.outputPath, m_cancel,
                       [&](double fraction) { report(done + kWriteShare * fraction); });
}

std::optional<CutVideoKihonInfo> TrimJob::record(const std::vector<RecordPiece>& pieces, CaptionSelection selection)
{
    const auto readable = std::find_if(pieces.begin(), pieces.end(), [](const RecordPiece& p) { return bool(p.video); });
    if (readable == pieces.end()) return std::nullopt;
    const VideoInfo& own = *readable->video;
    // What a recording that cannot be read adds: the record's own fields
    // and no frames, which the record reads as one placeholder frame.
    std::shared_ptr<VideoInfo> standIn;
    const auto videoOf = [&](const RecordPiece& p) -> const VideoInfo& {
        if (p.video) return *p.video;
        if (!standIn) {
            standIn = std::make_shared<VideoInfo>();
            standIn->detectType = own.detectType;
            standIn->sw = own.sw;
            standIn->powerDown = own.powerDown;
            standIn->_playback = own._playback;
            standIn->_fileVersion = own._fileVersion;
            standIn->_terminalType = own._terminalType;
            standIn->_recMode = own._recMode;
            standIn->completeTables();
        }
        return *standIn;
    };
    // A recording that is itself a trimmed movie says what it shows burnt in.
    const bool cut = own._isCutVideo;
    std::optional<CutVideoKihonInfo> out;
    for (const RecordPiece& p : pieces) {
        if (!out)
            out.emplace(videoOf(p), p.from, p.to, p.movieTime, cut ? own.isDatetime : selection.dateTime,
                        cut ? own.isSpeed : selection.speed, cut ? own.isAcceleration : selection.acceleration,
                        cut ? own.isPoint : selection.point);
        else
            out->buildFooterLists(videoOf(p), p.to, p.movieTime);
    }
    return out;
}

std::vector<AssSubtitle::Event> TrimJob::captionEvents(const std::vector<CaptionSource>& pieces,
                                                      CaptionSelection selection, const CaptionSettings& settings)
{
    // The file writes its times in hundredths, cut short.
    constexpr std::uint32_t kHundredth = 10;
    std::vector<AssSubtitle::Event> out;
    qint64 offset = 0; // where the piece starts in the cut
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        const CaptionSource& piece = pieces[k];
        const std::uint32_t shown = piece.lengthMs > piece.from ? piece.lengthMs - piece.from : 0;
        if (piece.video) {
            const std::uint32_t end = std::min(piece.to.value_or(piece.lengthMs), piece.lengthMs);
            std::vector<AssSubtitle::Event> events;
            for (AssSubtitle::Event e : AssSubtitle::events(*piece.video, selection, settings, piece.from, end)) {
                // Never past the piece's picture: the next piece's captions start there.
                e.end = std::min(e.end, shown);
                if (e.end > e.start) events.push_back(std::move(e));
            }
            // The piece's last picture keeps its caption to the piece's end:
            // an inner piece's up to where the next piece's captions start,
            // the cut's last one a hundredth past the cut's end, so that the
            // last picture shown is never left without it.
            if (!events.empty()) {
                AssSubtitle::Event& final = events.back();
                if (k + 1 < pieces.size())
                    final.end = shown;
                else
                    final.end = std::max(final.end, (end > piece.from ? end - piece.from : 0) + kHundredth);
            }
            for (AssSubtitle::Event& e : events) {
                e.start = std::uint32_t(std::clamp<qint64>(e.start + offset, 0, UINT32_MAX));
                e.end = std::uint32_t(std::clamp<qint64>(e.end + offset, 0, UINT32_MAX));
                out.push_back(std::move(e));
            }
        }
        offset += shown;
    }
    return out;
}

TrimJob::Result TrimJob::writeOutput(const ChapterList& sources, const QString& finished, const QByteArray& box,
                                     const QString& outputPath, const TaskCancelFlag& cancel,
                                     const std::function<void(double)>& progress)
{
    const auto failed = [&](const QString& detail, const QString& reason) {
        return Result{cancel.isCancelled() ? Outcome::Cancelled : Outcome::Failed, detail, reason};
    };
    QFile in(finished);
    if (!in.open(QIODevice::ReadOnly)) return failed(QStringLiteral("cannot read the joined movie"), {});
    OutputFile out(sources, outputPath);
    if (!out.open()) return failed(out.detail(), out.reason());
    const auto abandon = [&] {
        if (in.error() != QFileDevice::NoError)
            return failed(QStringLiteral("cannot read the joined movie: ") + in.errorString(), in.errorString());
        out.discard();
        if (!out.detail().isEmpty()) return failed(out.detail(), out.reason());
        return failed(cancel.isCancelled() ? QStringLiteral("cancelled") : QStringLiteral("the movie was not written whole"),
                      {});
    };
    const qint64 total = std::max<qint64>(1, in.size());
    qint64 copied = 0;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(kCopyChunk);
        if (cancel.isCancelled() || chunk.isEmpty() || !out.write(chunk)) return abandon();
        copied += chunk.size();
        if (progress) progress(double(copied) / double(total));
    }
    if (in.error() != QFileDevice::NoError || !out.write(box) || cancel.isCancelled()
        || out.written() != copied + box.size())
        return abandon();
    if (!out.commit()) return failed(out.detail(), out.reason());
    return {Outcome::Saved, {}};
}
