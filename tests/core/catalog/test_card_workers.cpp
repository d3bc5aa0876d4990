// The catalogue's worker steps (what they serve first per active list, the
// attempt limits), thumbnails, and the workers' start and disposal.

#include "CatalogFixture.h"

#include "../../support/HeldCardReads.h"
#include "core/foundation/CardReads.h"
#include "core/recording/CutVideoInfo.h"
#include "core/recording/CutVideoUtility.h"
#include "core/player/PlayMovieValueInfo.h"
#include "core/player/PlayerRules.h"
#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"
#include "core/recording/VideoInfo.h"
#include "core/settings/SettingInfo.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace catalogtest;

using CardDataSteps = CatalogFixture;
using CardDataThumbnails = CatalogFixture;
using CardDataWorkers = CatalogFixture;

namespace {

// Trip 0 (2 chapters), trip 1 (3 chapters) with a G event 1.5 s into its first
// chapter, trip 2 (3 chapters) with an adventure over chapters 2 and 3.
cardgen::CardOptions threeTrips(bool realVideo, int seconds = 20)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0, seconds), tripOf(3, 1, seconds), tripOf(3, 2, seconds)};
    o.trips[1].drive.incidents = {{cardgen::Incident::Kind::GShock, 1500, true}};
    o.trips[2].adventureFirstChapter = 1;
    o.trips[2].adventureChapters = 2;
    for (auto& t : o.trips) t.format.realVideo = realVideo;
    return o;
}

} // namespace

TEST_F(CardDataSteps, ThePictureStepServesTheActiveListFirst)
{
    const auto w = write(threeTrips(false));
    const auto card = load(w.moveDir);
    const TripList trips = card->tripList();
    ASSERT_EQ(trips.size(), 3);
    ASSERT_EQ(card->advTripList().size(), 1);

    // Nothing active: the whole card, trip by trip.
    EXPECT_EQ(card->loadNextPictureData(), trips[0]->chapterDataList()[0]);

    card->setActiveType(CardData::ActiveType::EventRec);
    const auto event = card->moveProtectList().value(0);
    ASSERT_TRUE(event);
    EXPECT_EQ(card->eventChapter(*event), trips[1]->chapterDataList()[0]);
    EXPECT_EQ(card->loadNextPictureData(), trips[1]->chapterDataList()[0]);

    card->setActiveType(CardData::ActiveType::MovieRec);
    trips[1]->setActive(true);
    EXPECT_EQ(card->loadNextPictureData(), trips[1]->chapterDataList()[1]);
    EXPECT_EQ(card->loadNextPictureData(), trips[1]->chapterDataList()[2]);
    trips[1]->setActive(false);

    card->setActiveType(CardData::ActiveType::AdventureRec);
    const auto adv = card->advTripList()[0];
    adv->setActive(true);
    EXPECT_EQ(card->loadNextPictureData(), adv->chapterDataList()[0]);

    // An adventure trip that is not on show waits; the preload goes on.
    adv->setActive(false);
    card->setActiveType(CardData::ActiveType::MovieRec);
    EXPECT_EQ(card->loadNextPictureData(), trips[0]->chapterDataList()[1]);

    int steps = 0;
    while (card->loadNextPictureData()) ++steps;
    EXPECT_EQ(steps, 8 - 5);
    for (const auto& t : trips)
        for (const auto& c : t->chapterDataList()) EXPECT_TRUE(c->hasPicture());
}

TEST_F(CardDataSteps, AnUnreadableChapterIsRetriedUpToTheLimitThenLeft)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0)};
    const auto w = write(o);
    writeBytes(w.trips[0].chapters[0].path, QByteArray(1000, 'x'));
    const auto card = load(w.moveDir);
    const ChapterList chapters = card->tripList()[0]->chapterDataList();
    const auto broken = chapters[0];
    // The broken chapter is tried (and fails) before the good one is loaded.
    EXPECT_EQ(card->loadNextPictureData(), chapters[1]);
    EXPECT_EQ(broken->retryCntPictureData(), 1);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(card->loadNextPictureData(), nullptr);
    EXPECT_EQ(broken->retryCntPictureData(), CardData::MAX_RETRY_CNT_PICTUREDATA);
    EXPECT_FALSE(broken->hasPicture());
    EXPECT_FALSE(broken->needsPictureData());
}

TEST_F(CardDataThumbnails, TheThumbnailStepServesTheActiveListFirstAndNamesFilesByTime)
{
    const auto w = write(threeTrips(true, 2));
    const auto card = load(w.moveDir);
    const TripList trips = card->tripList();
    ASSERT_EQ(trips.size(), 3);

    card->setActiveType(CardData::ActiveType::EventRec);
    const auto event = card->moveProtectList().value(0);
    ASSERT_TRUE(event);
    EXPECT_EQ(card->makeNextThumbnail(), trips[1]->chapterDataList()[0]);
    const QString eventPicture = event->pathThumbnail();
    ASSERT_FALSE(eventPicture.isEmpty());
    EXPECT_TRUE(QFileInfo(eventPicture).isFile());
    EXPECT_TRUE(eventPicture.startsWith(CardData::thumbnailFolder()));

    card->setActiveType(CardData::ActiveType::MovieRec);
    trips[2]->setActive(true);
    const auto shown = trips[2]->chapterDataList()[0];
    EXPECT_EQ(card->makeNextThumbnail(), shown);
    EXPECT_EQ(QFileInfo(shown->pathThumbnail()).fileName(),
              QFileInfo(shown->_pathMp4.toLocalFile()).completeBaseName() + QStringLiteral("_000001.jpeg"));
    EXPECT_EQ(shown->retryCntThumbnail(), 1);
    // A made thumbnail is never made again.
    EXPECT_EQ(shown->makeCutThumbnail(false), shown->pathThumbnail());
    EXPECT_EQ(shown->makeCutThumbnail(true), shown->pathThumbnail());
    EXPECT_EQ(shown->retryCntThumbnail(), 1);

    int steps = 0;
    while (card->makeNextThumbnail()) ++steps;
    EXPECT_EQ(steps, 8 - 1 + 2); // the other chapters and the adventure's own chapters
    EXPECT_TRUE(CardData::thumbnailFolder().contains(QString::number(QCoreApplication::applicationPid())));
}

TEST_F(CardDataThumbnails, AnEventAtTheStartOfItsChapterGetsAPictureAtTimeZero)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0, 2)};
    o.trips[0].format.realVideo = true;
    const auto w = write(o);
    const auto& m = w.trips[0].chapters;
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"),
               cardgen::buildProtectFile(1, {gEntry(m[1], 0)}, {survEntry(m[0], 0)}, {}));
    const auto card = load(w.moveDir);
    const MoveProtectList records = card->moveProtectList();
    ASSERT_EQ(records.size(), 2);
    for (const auto& r : records) {
        EXPECT_TRUE(card->makeProtectThumbnail(*r));
        EXPECT_EQ(r->retryCntThumbnail(), 1);
        // The first attempt looks 499 ms before the event's frame, held at 0.
        EXPECT_TRUE(r->pathThumbnail().endsWith(QStringLiteral("_000000.jpeg"))) << r->pathThumbnail().toStdString();
        EXPECT_FALSE(card->makeProtectThumbnail(*r)); // made already
    }
}

TEST_F(CardDataThumbnails, AStandInMovieUsesUpItsAttemptsAndEveryStepEndsEmpty)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0)};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 5000, true}};
    const auto w = write(o);
    const auto card = load(w.moveDir);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(card->makeNextThumbnail(), nullptr);
    for (const auto& c : card->tripList()[0]->chapterDataList())
        EXPECT_EQ(c->retryCntThumbnail(), CardData::MAX_RETRY_CNT_THUMBNAIL);
    EXPECT_EQ(card->moveProtectList()[0]->retryCntThumbnail(), CardData::MAX_RETRY_CNT_THUMBNAIL);
}

TEST_F(CardDataThumbnails, TheFolderBelongsToThisProcessAndIsRemovedAtTheEnd)
{
    const QString folder = CardData::thumbnailFolder();
    EXPECT_TRUE(folder.startsWith(CommonConst::DIR_PATH_THUMB()));
    EXPECT_TRUE(folder.endsWith(QStringLiteral("/")));
    QDir().mkpath(folder);
    writeBytes(folder + QStringLiteral("left.jpeg"), "x");
    CardData::removeThumbnailFolder();
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(CardDataThumbnails, WhatAnEndCouldNotRemoveInTimeGoesWithTheNextRun)
{
    const QString root = CommonConst::DIR_PATH_THUMB();
    const QString own = CardData::thumbnailFolder();
    QDir().mkpath(own);
    writeBytes(own + QStringLiteral("kept.jpeg"), "x");
    // A disk too slow for the end's budget: the folder is put aside whole.
    CardData::removeThumbnailFolder(std::chrono::milliseconds(0));
    EXPECT_FALSE(QFileInfo::exists(own));
    const QString prefix = QStringLiteral(".ended-%1-").arg(QCoreApplication::applicationPid());
    const QStringList ended =
        QDir(root).entryList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    ASSERT_EQ(ended.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(root + ended.first() + QStringLiteral("/kept.jpeg")));

    // A run that never ended leaves the folder of a process that no longer
    // runs (no process has a number above 2^22); a running one's stays.
    const QString gone = root + QStringLiteral("4194305");
    const QString running = root + QString::number(qint64(getppid()));
    for (const QString& folder : {gone, running}) {
        QDir().mkpath(folder);
        writeBytes(folder + QStringLiteral("/t.jpeg"), "x");
    }
    // A link named like a gone process's folder: what it points at stays.
    QTemporaryDir outside;
    writeBytes(outside.filePath(QStringLiteral("mine.jpeg")), "x");
    const QString link = root + QStringLiteral("4194306");
    ASSERT_TRUE(QFile::link(outside.path(), link));
    const std::atomic<bool> stop{false};
    CardData::removeLeftThumbnailFolders(stop);
    EXPECT_TRUE(QFileInfo::exists(outside.filePath(QStringLiteral("mine.jpeg"))));
    QFile::remove(link);
    EXPECT_FALSE(QFileInfo::exists(root + ended.first()));
    EXPECT_FALSE(QFileInfo::exists(gone));
    EXPECT_TRUE(QFileInfo::exists(running + QStringLiteral("/t.jpeg")));
    QDir(running).removeRecursively();
}

TEST_F(CardDataWorkers, DisposingBeforeTheStartEmptiesAtOnceAndNothingRuns)
{
    const auto w = write(threeTrips(false));
    const auto card = load(w.moveDir);
    const auto kept = card->tripList()[1]->chapterDataList()[1];
    ASSERT_TRUE(kept->nextChapter());
    card->dispose();
    EXPECT_TRUE(card->isDisposed());
    // A chapter kept by a play list is still usable, without neighbours.
    EXPECT_EQ(kept->nextChapter(), nullptr);
    EXPECT_EQ(kept->previousChapter(), nullptr);
    EXPECT_GT(kept->timeSpan(), 0);
    EXPECT_TRUE(card->tripList().isEmpty());
    EXPECT_TRUE(card->tripListTab().isEmpty());
    EXPECT_TRUE(card->advTripList().isEmpty());
    EXPECT_TRUE(card->moveProtectList().isEmpty());
    EXPECT_TRUE(card->advMoveProtectList().isEmpty());
    EXPECT_EQ(card->vrecList().size(), 8);
    Recorder recorder;
    card->setDelegate(&recorder, &recorder);
    card->startLoadThreads();
    EXPECT_FALSE(card->workersRunning());
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.routes, 0);
    // A disposed catalogue stays disposed: a new read does nothing.
    card->readCardData(w.moveDir);
    EXPECT_TRUE(card->tripList().isEmpty());
}

TEST_F(CardDataWorkers, WorkersReportEveryChapterAndDisposeWakesThemAtOnce)
{
    const auto w = write(threeTrips(false));
    const auto card = load(w.moveDir);
    Recorder recorder;
    card->setDelegate(&recorder, &recorder);
    card->startLoadThreads();
    EXPECT_TRUE(card->workersRunning());
    auto allLoaded = [&] {
        for (const auto& t : card->tripList())
            for (const auto& c : t->chapterDataList())
                if (!c->hasPicture()) return false;
        return true;
    };
    ASSERT_TRUE(pumpUntil(allLoaded));
    // The event's chapter may have been loaded by the thumbnail worker instead.
    ASSERT_TRUE(pumpUntil([&] { return recorder.routes >= 7; }));
    // Both workers are now (mostly) in their one-second sleep: stand-in
    // movies give no pictures, so the thumbnail worker finds nothing either.
    QThread::msleep(100);
    QElapsedTimer timer;
    timer.start();
    card->dispose();
    CardData::waitForDisposals();
    EXPECT_LT(timer.elapsed(), 500); // not the rest of a one-second sleep
    EXPECT_FALSE(card->workersRunning());
    EXPECT_TRUE(card->tripList().isEmpty());
    EXPECT_EQ(card->vrecList().size(), 8);
    const int routes = recorder.routes;
    EXPECT_GE(routes, 7);
    EXPECT_LE(routes, 8);
    EXPECT_EQ(recorder.pictures, 0);
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(recorder.routes, routes);
}

TEST_F(CardDataWorkers, DisposingWhileWorkersLoadDropsTheirLaterResults)
{
    cardgen::CardOptions o;
    for (int i = 0; i < 6; ++i) o.trips.push_back(tripOf(5, i));
    const auto w = write(o);
    auto card = load(w.moveDir);
    Recorder recorder;
    bool disposed = false;
    recorder.onRoute = [&](const std::shared_ptr<ChapterData>&) {
        if (!disposed) {
            disposed = true;
            card->dispose();
        }
    };
    card->setDelegate(&recorder, &recorder);
    card->startLoadThreads();
    ASSERT_TRUE(pumpUntil([&] { return disposed; }));
    // Results the workers posted before they stopped are not delivered.
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(recorder.routes, 1);
    EXPECT_TRUE(card->isDisposed());
    CardData::waitForDisposals();
    EXPECT_TRUE(card->tripList().isEmpty());
    card.reset(); // the last owner goes: nothing is left running
}

TEST_F(CardDataWorkers, DisposingLeavesAWorkerBusyInAMovieToADisposalThreadThatKeepsTheCatalogue)
{
    const auto w = write(threeTrips(false));
    auto card = load(w.moveDir);
    // The first chapter's movie becomes a pipe: a worker opening it waits
    // there until something opens the other end, like a read from a slow
    // card that takes its time.
    const QString movie = card->tripList()[0]->firstChapter()->_pathMp4.toLocalFile();
    ASSERT_TRUE(QFile::remove(movie));
    ASSERT_EQ(mkfifo(QFile::encodeName(movie).constData(), 0600), 0);
    // A thread of ours waits in the kernel for the pipe's other end: the
    // worker is inside. (Asked of /proc, as opening the other end to find
    // out would let the worker go.)
    auto workerInside = [] {
        const QDir tasks(QStringLiteral("/proc/self/task"));
        for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile wchan(tasks.filePath(tid + QStringLiteral("/wchan")));
            if (wchan.open(QIODevice::ReadOnly) && wchan.readAll().trimmed() == "wait_for_partner") return true;
        }
        return false;
    };
    // Opening the other end for writing lets a waiting worker in (and fails at
    // once when none waits).
    auto letWorkerIn = [&] {
        const int fd = ::open(QFile::encodeName(movie).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
        return fd >= 0;
    };
    Recorder recorder;
    card->setDelegate(&recorder, &recorder);
    card->startLoadThreads();
    // A kernel that does not say where its threads wait: find the worker by
    // letting it in once; it comes back to the pipe for its next try.
    if (!pumpUntil(workerInside, 5000)) {
        ASSERT_TRUE(pumpUntil(letWorkerIn));
    }

    // Should dispose() wait for the worker, a helper lets it go after a
    // second (and every worker that comes to the pipe after it).
    std::atomic<bool> ended{false};
    std::thread release([&] {
        QThread::msleep(1000);
        while (!ended.load()) {
            letWorkerIn();
            QThread::msleep(10);
        }
    });
    QElapsedTimer timer;
    timer.start();
    card->dispose();
    const qint64 guiMs = timer.elapsed();
    EXPECT_LT(guiMs, 100) << "the GUI thread waited for the worker";
    EXPECT_TRUE(card->isDisposed());
    EXPECT_TRUE(card->workersRunning());

    // The last owner lets go while the worker still waits: what the worker
    // touches stays alive until it has ended.
    const std::weak_ptr<CardData> weak = card;
    card.reset();
    EXPECT_FALSE(weak.expired());
    CardData::waitForDisposals();
    ended.store(true);
    release.join();
    EXPECT_TRUE(weak.expired());
    for (int i = 0; i < 10; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(recorder.routes, 0);
}

TEST_F(CardDataWorkers, ADisposeStopsTheCardBeingReadAtItsNextRead)
{
    const auto w = write(threeTrips(false));
    {
        // A worker inside a recording: once disposed, it reads no further,
        // and the recording it gave up is neither kept nor counted.
        HeldCardReads held;
        auto card = load(w.moveDir);
        const auto first = card->tripList()[0]->firstChapter();
        Recorder recorder;
        card->setDelegate(&recorder, &recorder);
        card->startLoadThreads();
        ASSERT_TRUE(pumpUntil([&] { return held.reads.load() >= 1; }));
        card->dispose();
        held.letGo();
        CardData::waitForDisposals();
        // One read each at most (a worker may have been just about to read
        // as the dispose came), not the rest of a recording.
        EXPECT_LE(held.reads.load(), 2);
        EXPECT_FALSE(first->hasPicture());
        EXPECT_EQ(first->retryCntPictureData(), 0);
        EXPECT_TRUE(card->tripList().isEmpty());
    }
    {
        // A read of the card on another thread (chapters without index
        // records read their recordings for their start): disposed
        // meanwhile, it stops at its next read and leaves the catalogue empty.
        cardgen::CardOptions o = threeTrips(false);
        o.managementFiles = false;
        const auto bare = cardgen::writeCard(dir.filePath(QStringLiteral("bare")), o);
        HeldCardReads held;
        const auto card = CardData::create();
        std::thread reader([&] { card->readCardData(bare.moveDir); });
        ASSERT_TRUE(pumpUntil([&] { return held.reads.load() >= 1; }));
        card->dispose();
        EXPECT_TRUE(card->isDisposed());
        held.letGo();
        reader.join();
        EXPECT_EQ(held.reads.load(), 1);
        EXPECT_TRUE(card->tripList().isEmpty());
        EXPECT_TRUE(card->moveProtectList().isEmpty());
    }
}

TEST_F(CardDataWorkers, AChapterIsReadOnceForAllAskingAndTheGuiThreadsLookupsReadNothing)
{
    const auto w = write(threeTrips(false));
    HeldCardReads held;
    const auto card = load(w.moveDir);
    const ChapterList chapters = card->tripList()[1]->chapterDataList();
    const auto chapter = chapters.first();
    ASSERT_TRUE(chapter->_vmmInfo);
    PlayMovieValueInfo info(chapters, CardData::ActiveType::MovieRec);
    info.setCurrentValue(1500);

    // Before the recording is read: no frame, and the date is the chapter's
    // start as its index record tells it, all without a read of the card.
    EXPECT_FALSE(PictureDataUtil::loadedVideoFrame(chapters, 1500));
    EXPECT_FALSE(PictureDataUtil::loadedMovieTimeStamp(chapters, 1500));
    EXPECT_EQ(PlayerRules::dateAtPosition(info, 1500, PlayerRules::baseDateOf(info)), chapter->_vmmInfo->_datetime);
    EXPECT_EQ(held.reads.load(), 0);

    // Two threads ask at once: the second waits for the first one's read
    // instead of reading the movie again.
    std::shared_ptr<const PictureData> first, second;
    std::thread reader([&] { first = chapter->loadPicture(true); });
    ASSERT_TRUE(pumpUntil([&] { return held.reads.load() >= 1; }));
    std::thread waiter([&] { second = chapter->loadPicture(true); });
    // A waiter whose own reads are told to stop (its catalogue disposed)
    // stops waiting for a read that may go on for long.
    std::atomic<bool> stop{false}, quitterDone{false};
    std::shared_ptr<const PictureData> quitterGot;
    std::thread quitter([&] {
        const CardReads::StopScope scope(stop);
        quitterGot = chapter->loadPicture(true);
        quitterDone = true;
    });
    EXPECT_FALSE(pumpUntil([&] { return held.reads.load() >= 2; }, 200));
    stop = true;
    EXPECT_TRUE(pumpUntil([&] { return quitterDone.load(); }, 5000));
    held.letGo();
    reader.join();
    waiter.join();
    quitter.join();
    EXPECT_FALSE(quitterGot && quitterGot->video);
    ASSERT_TRUE(first && first->video);
    EXPECT_EQ(second, first);
    EXPECT_EQ(chapter->retryCntPictureData(), 1);

    // Loaded, the same lookups give the frame there and its recorded time.
    const VideoFramePtr frame = PictureDataUtil::loadedVideoFrame(chapters, 1500);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame, PictureDataUtil::videoFrame(chapters, 1500));
    EXPECT_TRUE(PictureDataUtil::loadedMovieTimeStamp(chapters, 1500));
    EXPECT_EQ(PlayerRules::dateAtPosition(info, 1500, PlayerRules::baseDateOf(info)), frame->time());
}

TEST_F(CardDataWorkers, AStepThatThrowsCountsAsNothingDoneAndTheWorkerGoesOn)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0), tripOf(3, 1)};
    const auto w = write(o);
    const auto card = load(w.moveDir);
    // The thumbnail step is used up first: only the picture step reads, and
    // only through the recording readers.
    for (int i = 0; i < CardData::MAX_RETRY_CNT_THUMBNAIL; ++i) card->makeNextThumbnail();
    static std::atomic<int> reads;
    reads = 0;
    CardReads::setBeforeReadHook([] {
        if (reads.fetch_add(1) == 0) throw std::runtime_error("card gone");
    });
    Recorder recorder;
    card->setDelegate(&recorder, &recorder);
    card->startLoadThreads();
    const bool reported = pumpUntil([&] { return recorder.routes == 5; });
    CardReads::setBeforeReadHook(nullptr);
    EXPECT_TRUE(reported);
    // The read that threw counted as an attempt of the chapter read first.
    EXPECT_EQ(card->tripList()[0]->firstChapter()->retryCntPictureData(), 2);
    card->dispose();
    CardData::waitForDisposals();
}

TEST_F(CardDataWorkers, ACatalogueDroppedWithRunningWorkersStopsThem)
{
    cardgen::CardOptions o;
    for (int i = 0; i < 4; ++i) o.trips.push_back(tripOf(5, i));
    const auto w = write(o);
    for (int round = 0; round < 3; ++round) {
        auto card = load(w.moveDir);
        Recorder recorder;
        card->setDelegate(&recorder, &recorder);
        card->startLoadThreads();
        const auto chapter = card->tripList()[0]->firstChapter();
        card.reset();
        // A chapter kept by a play list stays usable after its catalogue is gone.
        EXPECT_GT(chapter->timeSpan(), 0);
        EXPECT_EQ(chapter->parent(), nullptr);
        QCoreApplication::processEvents();
    }
}

TEST_F(CardDataThumbnails, EveryTrimmedMovieGetsABandedPictureOfItsOwn)
{
    // Two trimmed movies: the picture bytes of a generated movie followed by a
    // udat box with the trim tool's file information and archive.
    cardgen::MovieOptions mo;
    mo.durationSeconds = 2;
    const auto source = cardgen::writeMovie(dir.filePath(QStringLiteral("src/m2026031508300001.MP4")), mo);
    const ChapterData sourceChapter(QUrl::fromLocalFile(source.path));
    const auto sourcePicture = sourceChapter.loadPicture(true);
    ASSERT_TRUE(sourcePicture && sourcePicture->video);
    const QByteArray fileInfo = SettingInfo().makeRecord(SettingInfo::DataType::FileInfo);
    const CutVideoKihonInfo kihon(*sourcePicture->video, 100, 1500, 1400, true, true, true, true);
    const auto archive = CutVideoUtility::encodeKihonInfo(kihon);
    ASSERT_FALSE(archive.isEmpty());
    QFile movie(source.path);
    ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
    const QByteArray video = movie.read(source.videoBytes);

    ChapterList chapters;
    for (const char* name : {"cut/TRIM_A.MP4", "cut/TRIM_B.MP4"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QDir().mkpath(QFileInfo(path).absolutePath());
        writeBytes(path, video + cardgen::buildBox("udat", fileInfo + archive));
        chapters.append(std::make_shared<ChapterData>(QUrl::fromLocalFile(path)));
    }
    for (const auto& c : chapters) {
        const auto picture = c->loadPicture(true);
        ASSERT_TRUE(picture && picture->video);
        ASSERT_TRUE(picture->video->_isCutVideo);
        const auto made = c->makeCutThumbnail(true);
        ASSERT_TRUE(made);
        EXPECT_TRUE(QFileInfo(*made).isFile());
    }
    EXPECT_EQ(QFileInfo(chapters[0]->pathThumbnail()).fileName(), QStringLiteral("TRIM_A_cut_thum.jpeg"));
    EXPECT_EQ(QFileInfo(chapters[1]->pathThumbnail()).fileName(), QStringLiteral("TRIM_B_cut_thum.jpeg"));
    // A trimmed movie whose picture data is not loaded yet gets the plain picture.
    ChapterData notLoaded(chapters[0]->_pathMp4);
    const auto plain = notLoaded.makeCutThumbnail(true);
    ASSERT_TRUE(plain);
    EXPECT_EQ(QFileInfo(*plain).fileName(), QStringLiteral("TRIM_A_000001.jpeg"));
}
