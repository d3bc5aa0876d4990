#pragma once

#include "core/backup/TaskProgress.h"
#include "core/catalog/ChapterData.h"
#include "core/recording/CutVideoInfo.h"
#include "core/tools/AssSubtitle.h"
#include "core/tools/DataCaption.h"
#include "core/tools/FfmpegRunner.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class VideoInfo;

// What a trim is asked to do, taken whole when it starts: nothing the job
// reads may change under it while it runs on its worker thread.
struct TrimRequest {
    ChapterList chapters;    // the play list, in play order
    std::int32_t start = 0;  // play-list milliseconds
    std::int32_t end = 0;
    CaptionSelection selection; // what to burn in; nothing: the streams are copied
    CaptionSettings settings;
    QString outputPath;
    QString workFolderBase; // where the job's private folder is made; empty: the system's temporary folder
    QString ffmpegProgram = FfmpegRunner::defaultProgram();
};

// The trim: cuts a range of the play list into one MP4 movie through ffmpeg,
// optionally with the driving data burnt in, and appends a udat box with the
// trim's record so that the movie opens again as a recording with its data.
//
// The chapters of the range are joined and cut by one ffmpeg run into a
// private folder of the job (removed whatever the end); the result with its
// box is written beside the target and renamed over it: the target is
// either the old file or the whole new one. run() blocks; call it on a
// worker thread.
class TrimJob {
public:
    enum class Outcome { Saved, Failed, Cancelled };
    struct Result {
        Outcome outcome = Outcome::Failed;
        QString detail; // what went wrong, for the diagnostics
        // The system's own reason when a file could not be written (a full
        // disk, a file-size limit, a folder at the name), or the output
        // rule's text when it refused the file: something the user can act
        // on. Empty for the failures only the diagnostics explain.
        QString reason;
        // The output rule refused the file at the start, before any work
        // towards it: the caller tells the refusal alone, at once. A refusal
        // found only at the final write is a failed trim with the rule's text
        // as its reason.
        bool refused = false;
    };
    // Percent of the job done, from the worker thread, at least four times a
    // second while it runs (the same value again while a step stands still);
    // never 100 (the caller shows 100 when run() has returned Saved).
    using Progress = std::function<void(double percent)>;

    TrimJob(TrimRequest request, TaskCancelFlag cancel, Progress progress = {});
    Result run();

    // The range over the chapters, with no piece at either end shorter than
    // 1.1 s where its chapter allows it.
    struct Piece {
        qsizetype chapter = 0;
        std::int32_t from = 0; // offset in the chapter (ms)
        std::int32_t to = 0;
    };
    struct Plan {
        std::int32_t start = 0;
        std::int32_t end = 0;
        std::vector<Piece> pieces;
        bool valid() const { return !pieces.empty() && end > start; }
    };
    static Plan plan(const ChapterList& chapters, std::int32_t start, std::int32_t end);

    // The trim's record of the range, one entry per piece in play order:
    // its chapter's recording (none: it cannot be read), where the piece
    // starts and ends in that recording (ms), and its movie time, where it
    // ends in its chapter's movie (the first piece's start is taken off by
    // the record itself). A piece whose recording cannot be read keeps its
    // place: one placeholder frame where it starts, its span and its movie
    // time counted, so that the pieces after it keep their times. The
    // record's own fields come from the first recording that can be read;
    // none when no piece has one.
    struct RecordPiece {
        std::shared_ptr<const VideoInfo> video;
        std::int32_t from = 0;
        std::int32_t to = 0;
        qint64 movieTime = 0;
    };
    static std::optional<CutVideoKihonInfo> record(const std::vector<RecordPiece>& pieces, CaptionSelection selection);

    // The box appended to the movie: big-endian size, "udat", the
    // file-information record and the archive. None at 4 GiB or more.
    static std::optional<QByteArray> udatBox(const QByteArray& archive);

    // The burnt-in captions of the cut: the pieces' events one after another
    // on the cut's time line, each piece's from where it starts up to where
    // it ends, none past the piece's picture, and no picture of the cut
    // without its caption (the last one's runs on past the cut's end).
    struct CaptionSource {
        std::shared_ptr<const VideoInfo> video; // none: no captions for the piece
        std::uint32_t from = 0;                 // movie ms where the piece starts
        std::optional<std::uint32_t> to;        // movie ms where it ends; none: the movie's end
        std::uint32_t lengthMs = 0;             // the movie's picture length
    };
    static std::vector<AssSubtitle::Event> captionEvents(const std::vector<CaptionSource>& pieces,
                                                         CaptionSelection selection, const CaptionSettings& settings);

    // The finished movie and its box written to outputPath (OutputFile):
    // into a file beside it, renamed onto it once every byte is down and
    // the output rule still allows it against the sources. A failed write
    // (a full disk), a refusal or a cancel leaves outputPath as it was.
    static Result writeOutput(const ChapterList& sources, const QString& finished, const QByteArray& box,
                              const QString& outputPath, const TaskCancelFlag& cancel,
                              const std::function<void(double fraction)>& progress = {});

private:
    Result fail(const QString& detail) const;
    bool runFfmpeg(const QStringList& args, double from, double to, qint64 lengthMs, Result& failure);
    void report(double percent);

    TrimRequest m_request;
    TaskCancelFlag m_cancel;
    Progress m_progress;
    FfmpegRunner m_runner;
    double m_reported = -1;
    QElapsedTimer m_sinceReport;
};
