#include "TripFixture.h"
#include "../../support/BindMount.h"
#include "../../support/FileSizeLimit.h"
#include "../../support/FolderChecksums.h"
#include "core/catalog/CardData.h"
#include "core/catalog/TripData.h"
#include "core/recording/CutVideoUtility.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VersionInfo.h"
#include "core/recording/VideoInfo.h"
#include "core/settings/SettingInfo.h"
#include "core/map/KmlUtil.h"
#include "core/tools/OutputRule.h"
#include "core/tools/TrimJob.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

constexpr int kFps = 28;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

struct Probe {
    double duration = -1;
    QStringList streams;
    QString decodeErrors;
};

// What ffprobe says of a movie, and whether ffmpeg decodes it to the end cleanly.
Probe probe(const QString& path)
{
    Probe p;
    QProcess ffprobe;
    ffprobe.setStandardInputFile(QProcess::nullDevice());
    ffprobe.start("ffprobe", {"-v", "error", "-show_entries", "format=duration:stream=codec_type,codec_name,width,height",
                              "-of", "json", path});
    ffprobe.waitForFinished(60000);
    const QJsonObject root = QJsonDocument::fromJson(ffprobe.readAllStandardOutput()).object();
    p.duration = root["format"].toObject()["duration"].toString().toDouble();
    for (const auto& s : root["streams"].toArray()) {
        const QJsonObject o = s.toObject();
        p.streams << QStringLiteral("%1 %2 %3x%4")
                         .arg(o["codec_type"].toString(), o["codec_name"].toString())
                         .arg(o["width"].toInt())
                         .arg(o["height"].toInt());
    }
    QProcess ffmpeg;
    ffmpeg.setStandardInputFile(QProcess::nullDevice());
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", path, "-f", "null", "-"});
    ffmpeg.waitForFinished(120000);
    p.decodeErrors = QString::fromLocal8Bit(ffmpeg.readAllStandardError()).trimmed();
    if (ffmpeg.exitCode() != 0) p.decodeErrors += " (exit status)";
    return p;
}

// Runs the job on a thread of its own, as the dialog does.
TrimJob::Result runOnWorker(TrimJob& job)
{
    TrimJob::Result result;
    QThread* worker = QThread::create([&] { result = job.run(); });
    worker->start();
    worker->wait();
    delete worker;
    return result;
}

// A card with one trip of two four-second chapters with real pictures and sound.
class TrimJobTest : public toolstest::TripFixture {
protected:
    void SetUp() override
    {
        cardgen::TripOptions t;
        t.chapters = 2;
        t.chapterSeconds = 4;
        t.format.audio = true;
        loadTrip(t);
        work = dir.filePath("work");
        ASSERT_TRUE(QDir().mkpath(work));
    }

    TrimRequest request(const QString& output, CaptionSelection selection) const
    {
        TrimRequest r;
        r.chapters = chapters;
        // 2.5 s into the first chapter to 2.5 s into the second.
        r.start = 2500;
        r.end = PictureDataUtil::position(chapters, 1, 2500);
        r.selection = selection;
        r.outputPath = output;
        r.workFolderBase = work;
        return r;
    }

    std::shared_ptr<const VideoInfo> videoOf(int i) const { return chapters[i]->loadPicture(true)->video; }

    // The movie time the range covers, in seconds: the first chapter's
    // movie from the start on, the second's up to the end.
    double rangeSeconds(const TrimRequest& r) const
    {
        const TrimJob::Plan plan = TrimJob::plan(chapters, r.start, r.end);
        const std::uint32_t startTs = videoOf(0)->frameAt(1, plan.pieces[0].from)->_movieTimeStamp;
        const std::uint32_t endTs = videoOf(1)->frameAt(1, plan.pieces[1].to)->_movieTimeStamp;
        return (4000.0 - startTs + endTs) / 1000.0;
    }

    bool workIsEmpty() const { return QDir(work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty(); }

    QString work;
};

} // namespace

TEST(TrimJobPlan, EndsOfTheRangeAreNeverShorterThanElevenHundredMilliseconds)
{
    // Hand-made chapters of no trip: 10 s and 0.7 s long (their own lengths).
    QTemporaryDir dir;
    cardgen::MovieOptions m;
    m.format.realVideo = false;
    m.durationSeconds = 10;
    cardgen::writeMovie(dir.filePath("a/m2026031508300001.MP4"), m);
    const ChapterList chapters{std::make_shared<ChapterData>(QUrl::fromLocalFile(dir.filePath("a/m2026031508300001.MP4"))),
                               std::make_shared<ChapterData>(QUrl::fromLocalFile(dir.filePath("a/m2026031508300001.MP4")))};
    const std::int32_t span = std::int32_t(chapters[0]->timeSpan());
    ASSERT_GT(span, 5000);

    // A start 500 ms before its chapter's end moves back to 1100 ms before it;
    // an end 300 ms into its chapter moves to 1100 ms into it.
    const TrimJob::Plan p = TrimJob::plan(chapters, span - 500, PictureDataUtil::position(chapters, 1, 300));
    ASSERT_TRUE(p.valid());
    ASSERT_EQ(p.pieces.size(), 2u);
    EXPECT_EQ(p.pieces[0].from, span - 1100);
    EXPECT_EQ(p.pieces[0].to, span);
    EXPECT_EQ(p.pieces[1].from, 0);
    EXPECT_EQ(p.pieces[1].to, 1100);
    EXPECT_EQ(p.start, span - 1100);
    EXPECT_EQ(p.end, PictureDataUtil::position(chapters, 1, 1100));

    const TrimJob::Plan inside = TrimJob::plan(chapters, 1000, 4000);
    ASSERT_EQ(inside.pieces.size(), 1u);
    EXPECT_EQ(inside.pieces[0].from, 1000);
    EXPECT_EQ(inside.pieces[0].to, 4000);
    EXPECT_FALSE(TrimJob::plan(chapters, 4000, 4000).valid());
    EXPECT_FALSE(TrimJob::plan({}, 0, 4000).valid());
}

TEST(TrimJobBox, SizeTypeRecordAndArchive)
{
    const QByteArray archive(1000, 'a');
    const std::optional<QByteArray> box = TrimJob::udatBox(archive);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->size(), 1016);
    EXPECT_EQ(box->left(8), QByteArray::fromHex("000003F8") + "udat");
    EXPECT_EQ(box->mid(8, 8), QByteArray::fromHex("00010714FFFFFFED"));
    EXPECT_EQ(box->mid(16), archive);
}

TEST(TrimJobWrite, AFullDiskLeavesTheOldFileAndNoTemporary)
{
    QTemporaryDir dir;
    const QString finished = dir.filePath("joined.mp4");
    const QString output = dir.filePath("out.mp4");
    writeAll(finished, QByteArray(200000, 'm'));
    writeAll(output, "old movie");
    const QByteArray box = *TrimJob::udatBox(QByteArray(5000, 'k'));

    // Files of this process may grow no further than the movie: the box's
    // write fails as on a full disk.
    const TrimJob::Result full = [&] {
        const testfiles::FileSizeLimit limit(200000 + 100);
        EXPECT_TRUE(limit.made());
        return TrimJob::writeOutput({}, finished, box, output, TaskCancelFlag());
    }();

    EXPECT_EQ(full.outcome, TrimJob::Outcome::Failed);
    // The system's reason, not that of the abandoned write.
    EXPECT_EQ(full.reason, qt_error_string(EFBIG));
    EXPECT_EQ(readAll(output), "old movie");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"joined.mp4", "out.mp4"}));

    TaskCancelFlag cancelled;
    cancelled.cancel();
    EXPECT_EQ(TrimJob::writeOutput({}, finished, box, output, cancelled).outcome, TrimJob::Outcome::Cancelled);
    EXPECT_EQ(readAll(output), "old movie");

    ASSERT_EQ(TrimJob::writeOutput({}, finished, box, output, TaskCancelFlag()).outcome, TrimJob::Outcome::Saved);
    EXPECT_EQ(readAll(output), QByteArray(200000, 'm') + box);
}

TEST_F(TrimJobTest, EveryOutputRefusesASourceAndTheRecordingFolder)
{
    const QString source = chapters[0]->_pathMp4.toLocalFile();
    using testfiles::checksums;
    const auto cardBefore = checksums(dir.filePath("MOVE"));
    const auto refused = [&](const QString& path) { return !OutputRule::refusal(chapters, path).isEmpty(); };
    EXPECT_TRUE(refused(source));
    EXPECT_TRUE(refused(dir.filePath("MOVE/MOVE001/../MOVE001/x.mp4")));
    EXPECT_TRUE(refused(dir.filePath("MOVE/cut.mp4")));
    // A card's file system finds its folders in any letter case.
    EXPECT_TRUE(refused(dir.filePath("move/MOVE001/cut.mp4")));
    EXPECT_TRUE(refused(dir.filePath("MOVE/move001/") + QFileInfo(source).fileName().toLower()));
    ASSERT_TRUE(QFile::link(source, dir.filePath("alias.mp4")));
    EXPECT_TRUE(refused(dir.filePath("alias.mp4")));
    // A link to a file not there yet in the recording folder: the file would be written there.
    ASSERT_TRUE(QFile::link(dir.filePath("MOVE/MOVE001/new.jpeg"), dir.filePath("dangling.kmz")));
    EXPECT_TRUE(refused(dir.filePath("dangling.kmz")));
    EXPECT_FALSE(refused(dir.filePath("cut.mp4")));
    EXPECT_TRUE(refused(""));

    // A backup folder holds the recorder's list itself, with no folder named like the card's.
    const QString backup = dir.filePath("backup/2026-03-15");
    ASSERT_TRUE(QDir().mkpath(backup + "/MOVE001"));
    writeAll(backup + "/VREC_MOV_MNG.DAT", "list");
    writeAll(backup + "/MOVE001/m2026031508300001.MP4", "movie");
    const ChapterList backedUp{std::make_shared<ChapterData>(QUrl::fromLocalFile(backup + "/MOVE001/m2026031508300001.MP4"))};
    EXPECT_FALSE(OutputRule::refusal(backedUp, backup + "/cut.mp4").isEmpty());
    EXPECT_TRUE(OutputRule::refusal(backedUp, dir.filePath("backup/cut.mp4")).isEmpty());

    // Every job keeps to it where it writes: the trim and the route export.
    // Its first step, before anything is cut, says it was the rule's refusal.
    TrimJob job(request(dir.filePath("alias.mp4"), {}), TaskCancelFlag());
    const TrimJob::Result ontoASource = job.run();
    EXPECT_EQ(ontoASource.outcome, TrimJob::Outcome::Failed);
    EXPECT_TRUE(ontoASource.refused);
    for (const QString& kmz : {dir.filePath("alias.mp4"), dir.filePath("dangling.kmz")}) {
        const KmlUtil::ExportResult route = KmlUtil::outputTripKml(chapters, kmz, KmlUtil::Context());
        EXPECT_FALSE(route.ok);
        EXPECT_EQ(route.error, OutputRule::refusalText());
    }
    EXPECT_EQ(checksums(dir.filePath("MOVE")), cardBefore);
    EXPECT_TRUE(workIsEmpty());

    // A folder at the name is told before anything is cut towards it.
    ASSERT_TRUE(QDir().mkpath(dir.filePath("a folder.mp4")));
    int reports = 0;
    TrimJob towardsAFolder(request(dir.filePath("a folder.mp4"), {}), TaskCancelFlag(), [&](double) { ++reports; });
    const TrimJob::Result folder = towardsAFolder.run();
    EXPECT_EQ(folder.outcome, TrimJob::Outcome::Failed);
    EXPECT_EQ(folder.reason, qt_error_string(EISDIR));
    EXPECT_FALSE(folder.refused);
    EXPECT_EQ(reports, 0);
    EXPECT_TRUE(QFileInfo(dir.filePath("a folder.mp4")).isDir());

    // The name a save panel settles on ends in the one type it offers.
    EXPECT_EQ(OutputRule::withSuffix("a/trip", "mp4"), "a/trip.mp4");
    EXPECT_EQ(OutputRule::withSuffix("a/route 2026.03.15", "mp4"), "a/route 2026.03.15.mp4");
    EXPECT_EQ(OutputRule::withSuffix("a/clip.mov", "mp4"), "a/clip.mov.mp4");
    EXPECT_EQ(OutputRule::withSuffix("a/photo.JPEG", "jpeg"), "a/photo.JPEG");
}

TEST_F(TrimJobTest, ASecondPathToTheCardIsTheCard)
{
    // The card's movie folder shown at another place too: no link joins the
    // two paths, only what the files are tells them apart.
    const QString moveDir = dir.filePath("MOVE");
    const QString alias = dir.filePath("alias");
    const testfiles::BindMount mounted(moveDir, alias);
    if (!mounted.made) GTEST_SKIP() << "no permission to mount here";
    using testfiles::checksums;
    const auto cardBefore = checksums(moveDir);
    const QString source = chapters[0]->_pathMp4.toLocalFile();
    const QString sourceThere = alias + '/' + QDir(moveDir).relativeFilePath(source);
    const QString intoTheCard = alias + "/MOVE001/route.kmz";
    ASSERT_TRUE(QFileInfo(sourceThere).isFile());
    const auto refused = [&](const QString& path) { return !OutputRule::refusal(chapters, path).isEmpty(); };
    EXPECT_TRUE(refused(sourceThere));
    EXPECT_TRUE(refused(intoTheCard));
    EXPECT_TRUE(refused(alias + "/MOVE001/new folder/cut.mp4"));
    // A link to a file not there yet on the second path.
    ASSERT_TRUE(QFile::link(intoTheCard, dir.filePath("via.kmz")));
    EXPECT_TRUE(refused(dir.filePath("via.kmz")));
    EXPECT_FALSE(refused(dir.filePath("cut.mp4")));
    // One chapter folder of it shown alone: walking up leaves the mount.
    const testfiles::BindMount chapterFolder(moveDir + "/MOVE001", dir.filePath("chapters"));
    ASSERT_TRUE(chapterFolder.made);
    EXPECT_TRUE(refused(dir.filePath("chapters/route.kmz")));

    // The trim onto the source through it, and a route into its recording folder.
    TrimJob job(request(sourceThere, {}), TaskCancelFlag());
    const TrimJob::Result trim = job.run();
    EXPECT_EQ(trim.outcome, TrimJob::Outcome::Failed);
    EXPECT_EQ(trim.reason, OutputRule::refusalText());
    for (const QString& kmz : {intoTheCard, dir.filePath("via.kmz")}) {
        const KmlUtil::ExportResult route = KmlUtil::outputTripKml(chapters, kmz, KmlUtil::Context());
        EXPECT_FALSE(route.ok);
        EXPECT_EQ(route.error, OutputRule::refusalText());
    }
    EXPECT_EQ(checksums(moveDir), cardBefore);
    EXPECT_TRUE(workIsEmpty());
}

TEST_F(TrimJobTest, ANameMadeALinkToARecordingBeforeTheFinalWriteNeverReplacesIt)
{
    using testfiles::checksums;
    const QString source = chapters[0]->_pathMp4.toLocalFile();
    const auto cardBefore = checksums(dir.filePath("MOVE"));
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    // Once ffmpeg has cut the movie, the name the user chose becomes a link
    // to a recording.
    const QString output = dir.filePath("swapped.mp4");
    bool swapped = false;
    TrimJob job(request(output, {}), TaskCancelFlag(), [&](double percent) {
        if (percent >= 96.0 && !swapped) swapped = QFile::link(source, output);
    });
    const TrimJob::Result result = runOnWorker(job);
    EXPECT_TRUE(swapped);
    EXPECT_EQ(result.outcome, TrimJob::Outcome::Failed);
    EXPECT_EQ(result.reason, OutputRule::refusalText());
    EXPECT_FALSE(result.refused); // the cut was made: a failed trim
    EXPECT_EQ(QFileInfo(output).symLinkTarget(), source);

    // And while the movie is being written beside it: the rename is refused.
    const QString finished = work + "/finished.mp4";
    writeAll(finished, QByteArray(100000, 'm'));
    const QString late = dir.filePath("late.mp4");
    const TrimJob::Result write = TrimJob::writeOutput(chapters, finished, *TrimJob::udatBox(QByteArray("k")), late, TaskCancelFlag(),
                                                       [&](double) { QFile::link(source, late); });
    EXPECT_EQ(write.outcome, TrimJob::Outcome::Failed);
    EXPECT_EQ(write.reason, OutputRule::refusalText());
    EXPECT_EQ(QFileInfo(late).symLinkTarget(), source);
    ASSERT_TRUE(QFile::remove(finished));

    EXPECT_EQ(checksums(dir.filePath("MOVE")), cardBefore);
    // No temporary file is left beside them.
    QStringList expected = filesBefore + QStringList{"late.mp4", "swapped.mp4"};
    expected.sort();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name), expected);
    EXPECT_TRUE(workIsEmpty());
}

TEST_F(TrimJobTest, BurntInTrimAcrossAChapterBoundaryOpensAgainWithTheRangesFrames)
{
    // Names that would end an unquoted filter value or concat line.
    const QString oddWork = work + "/a b'c:d,e[f];g=h\\i";
    ASSERT_TRUE(QDir().mkpath(oddWork));
    const QString output = dir.filePath("it's a cut: [1], 2=3.mp4");
    writeAll(output, "an older cut");
    TrimRequest r = request(output, {true, true, true, true});
    r.workFolderBase = oddWork;
    std::vector<double> reports;
    TrimJob job(r, TaskCancelFlag(), [&](double p) { reports.push_back(p); });
    const TrimJob::Result result = runOnWorker(job);
    ASSERT_EQ(result.outcome, TrimJob::Outcome::Saved) << result.detail.toStdString();
    EXPECT_TRUE(QDir(oddWork).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
    ASSERT_FALSE(reports.empty());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_LT(reports.back(), 100.0);

    // The movie: the source's picture size and its sound, as long as the
    // range's movie time within a frame, decodable to the end.
    const TrimJob::Plan plan = TrimJob::plan(chapters, r.start, r.end);
    const Probe p = probe(output);
    EXPECT_EQ(p.streams, (QStringList{"video h264 320x180", "audio aac 0x0"}));
    EXPECT_NEAR(p.duration, rangeSeconds(r), 1.0 / kFps);
    EXPECT_EQ(p.decodeErrors, "");

    // Our reader finds the box and gives every frame of the range back,
    // each under its offset from the start of the range.
    bool isError = false;
    const auto cut = VideoInfo::readFileMelsi14Move(output, VersionInfo(), CommonConst::DEFAULT_DATE(),
                                                    CommonConst::DEFAULT_DATE().addYears(4000),
                                                    PictureDataType::All, nullptr, isError,
                                                    SettingInfo().makeRecord(SettingInfo::DataType::FileInfo));
    ASSERT_TRUE(cut);
    EXPECT_FALSE(isError);
    EXPECT_TRUE(cut->_isCutVideo);
    EXPECT_TRUE(cut->isDatetime && cut->isSpeed && cut->isAcceleration && cut->isPoint);
    const qint64 firstLength = plan.pieces[0].to - plan.pieces[0].from;
    std::size_t inRange = 0;
    for (const auto& [key, f] : videoOf(0)->getCameraFrames(1))
        inRange += key >= plan.pieces[0].from ? 1 : 0;
    for (const auto& [key, f] : videoOf(1)->getCameraFrames(1))
        inRange += key <= plan.pieces[1].to ? 1 : 0;
    const FrameTable& frames = cut->getCameraFrames(1);
    EXPECT_GE(frames.size(), inRange);
    EXPECT_LE(frames.size(), inRange + 1);
    for (const auto& [key, f] : frames) {
        const bool first = key <= firstLength;
        const VideoFramePtr source = first ? videoOf(0)->frameAt(1, key + plan.pieces[0].from)
                                           : videoOf(1)->frameAt(1, key - firstLength - 1);
        ASSERT_EQ(f->time(), source->time()) << key;
        ASSERT_EQ(f->speed, source->speed) << key;
        ASSERT_EQ(f->_latitude, source->_latitude) << key;
        ASSERT_EQ(f->_longitude, source->_longitude) << key;
        EXPECT_LE(f->_movieTimeStamp, p.duration * 1000 + 1) << key;
    }
    // The record's movie time is the cut's, not past it by the last chapter's uncut tail.
    const QByteArray movie = readAll(output);
    const qsizetype archiveAt = movie.lastIndexOf("udat") + 4 + SettingInfo::ITEM_BYTE_COUNT;
    const std::optional<CutVideoKihonInfo> record = CutVideoUtility::decodeKihonInfo(QByteArrayView(movie).sliced(archiveAt));
    ASSERT_TRUE(record);
    EXPECT_NEAR(record->_totalMovieTimeSpan, rangeSeconds(r) * 1000.0, 1.0);
}

TEST_F(TrimJobTest, TheRecordCountsEachPiecesOwnMovieTimeAndTheSpanOfAnUnreadableRecording)
{
    // 2.5 s into the first chapter, over a chapter whose recording cannot
    // be read (4 s of movie), to 2.5 s into the second.
    const TrimJob::Plan plan = TrimJob::plan(chapters, 2500, PictureDataUtil::position(chapters, 1, 2500));
    ASSERT_EQ(plan.pieces.size(), 2u);
    const TrimJob::Piece first = plan.pieces[0];
    const TrimJob::Piece last = plan.pieces[1];
    const std::uint32_t start = videoOf(0)->frameAt(1, first.from)->_movieTimeStamp;
    const std::uint32_t end = videoOf(1)->frameAt(1, last.to)->_movieTimeStamp;
    const std::optional<CutVideoKihonInfo> record =
        TrimJob::record({{videoOf(0), first.from, first.to, 4000}, {nullptr, 0, 3999, 4000}, {videoOf(1), 0, last.to, end}},
                        {true, false, false, false});
    ASSERT_TRUE(record);

    // The cut's movie: the first chapter's from the start on, the unreadable
    // one whole, the last one up to the end (not its uncut tail).
    EXPECT_EQ(record->_totalMovieTimeSpan, qint64(4000 - start) + 4000 + end);
    // Keys run on across the unreadable chapter: its placeholder where it
    // starts, the next chapter's frames after its 4 s.
    const qint64 firstSpan = first.to - first.from;
    const qint64 unreadableAt = firstSpan + 1;
    const qint64 lastAt = unreadableAt + 3999 + 1;
    EXPECT_EQ(record->_totalTimeSpan, lastAt + last.to);
    ASSERT_TRUE(record->_footerCamera1List.count(unreadableAt));
    EXPECT_EQ(record->_footerCamera1List.at(unreadableAt)._speed, 0);
    const auto next = record->_footerCamera1List.upper_bound(unreadableAt);
    ASSERT_NE(next, record->_footerCamera1List.end());
    EXPECT_EQ(next->first, lastAt);
    const VideoFramePtr lastFirst = videoOf(1)->frameAt(1, 0);
    EXPECT_EQ(next->second._speed, lastFirst->speed);
    EXPECT_EQ(next->second._movieTimeStamp, std::optional<std::uint32_t>(lastFirst->_movieTimeStamp + (4000 - start) + 4000));
    EXPECT_EQ(record->_settingInfo._fileVersion, videoOf(0)->_fileVersion);

    // An unreadable first chapter keeps its place as well; with nothing
    // readable there is no record.
    const std::optional<CutVideoKihonInfo> late = TrimJob::record({{nullptr, 0, 3999, 4000}, {videoOf(1), 0, last.to, end}}, {});
    ASSERT_TRUE(late);
    EXPECT_EQ(late->_totalTimeSpan, 4000 + last.to);
    EXPECT_EQ(late->_totalMovieTimeSpan, 4000 + qint64(end));
    EXPECT_EQ(late->_settingInfo._fileVersion, videoOf(1)->_fileVersion);
    EXPECT_FALSE(TrimJob::record({{nullptr, 0, 3999, 4000}}, {}));
}

TEST_F(TrimJobTest, CaptionsCoverTheRangeAndNothingElse)
{
    const TrimRequest r = request(dir.filePath("unused.mp4"), {false, true, false, false});
    const TrimJob::Plan plan = TrimJob::plan(chapters, r.start, r.end);
    const std::uint32_t from = videoOf(0)->frameAt(1, plan.pieces[0].from)->_movieTimeStamp;
    const std::uint32_t to = videoOf(1)->frameAt(1, plan.pieces[1].to)->_movieTimeStamp;
    const std::uint32_t length = 4000; // each chapter's picture
    const auto events = TrimJob::captionEvents({{videoOf(0), from, std::nullopt, length}, {videoOf(1), 0, to, length}},
                                               r.selection, CaptionSettings{});
    const std::uint32_t cut = length - from + to;

    // One event per picture step of the range: none before it, none after it.
    ASSERT_FALSE(events.empty());
    EXPECT_NEAR(double(events.size()), cut * kFps / 1000.0, 3.0);
    EXPECT_EQ(events.front().start, 0u);
    EXPECT_LT(events.back().start, cut);
    // One after another with neither gap nor overlap, across the chapter
    // boundary too, and the last one still there at the cut's end as the
    // file writes it (hundredths, cut short).
    for (std::size_t i = 1; i < events.size(); ++i) ASSERT_EQ(events[i].start, events[i - 1].end) << i;
    EXPECT_GE(events.back().end / 10 * 10, cut);
    // At the range's ends the captions are those of the pictures on screen
    // there: the first one shown past the start, the one shown at the end.
    const auto captionAt = [&](const VideoInfo& video, auto shownAt) {
        for (const auto& [key, f] : video.getCameraFrames(0))
            if (shownAt(video.frameAt(1, key)->_movieTimeStamp))
                return DataCaption::makeOverlayText(*f, r.selection, CaptionSettings{});
        return QString();
    };
    EXPECT_EQ(events.front().text, captionAt(*videoOf(0), [&](std::uint32_t t) { return t > from; }));
    EXPECT_EQ(events.back().text, captionAt(*videoOf(1), [&](std::uint32_t t) { return t >= to; }));
}

TEST_F(TrimJobTest, CopiedTrimAcrossAChapterBoundary)
{
    const QString output = dir.filePath("copy.mp4");
    const TrimRequest r = request(output, {});
    TrimJob job(r, TaskCancelFlag());
    const TrimJob::Result result = runOnWorker(job);
    ASSERT_EQ(result.outcome, TrimJob::Outcome::Saved) << result.detail.toStdString();
    EXPECT_TRUE(workIsEmpty());
    const Probe p = probe(output);
    EXPECT_EQ(p.streams, (QStringList{"video h264 320x180", "audio aac 0x0"}));
    EXPECT_EQ(p.decodeErrors, "");
    // The copy starts on the key frame before the start; the movie's edit
    // list shows it from the start itself.
    EXPECT_NEAR(p.duration, rangeSeconds(r), 1.0 / kFps);
    EXPECT_TRUE(readAll(output).contains("udat"));
}

TEST_F(TrimJobTest, CancelWhileFfmpegRunsLeavesNoFileBehind)
{
    const QString output = dir.filePath("cancelled.mp4");
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    TaskCancelFlag cancel;
    bool cancelledInsideARun = false;
    TrimJob job(request(output, {true, true, false, false}), cancel, [&](double percent) {
        // Past reading the records and into the first piece's encoding.
        if (percent > 2.5 && !cancel.isCancelled()) {
            cancelledInsideARun = true;
            cancel.cancel();
        }
    });
    const TrimJob::Result result = runOnWorker(job);
    EXPECT_TRUE(cancelledInsideARun);
    EXPECT_EQ(result.outcome, TrimJob::Outcome::Cancelled);
    EXPECT_FALSE(QFile::exists(output));
    EXPECT_TRUE(workIsEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
}

TEST_F(TrimJobTest, AFailedRunKeepsTheOldFile)
{
    const QString output = dir.filePath("kept.mp4");
    writeAll(output, "kept");
    TrimRequest r = request(output, {});
    r.ffmpegProgram = dir.filePath("no-such-ffmpeg");
    TrimJob job(r, TaskCancelFlag());
    EXPECT_EQ(runOnWorker(job).outcome, TrimJob::Outcome::Failed);
    EXPECT_EQ(readAll(output), "kept");
    EXPECT_TRUE(workIsEmpty());
}
