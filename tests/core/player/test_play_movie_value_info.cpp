#include "core/player/PlayMovieValueInfo.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<ChapterData> chapterOfLength(quint64 span)
{
    auto info = std::make_shared<VideoInfo>();
    info->_timeSpan = span;
    info->completeTables();
    auto chapter = std::make_shared<ChapterData>(QUrl::fromLocalFile(QStringLiteral("/nonexistent/x.MP4")));
    chapter->storePicture(std::make_shared<PictureData>(info));
    return chapter;
}

} // namespace

TEST(PlayMovieValueInfo, AnEmptyModelHoldsEveryPositionAtChapterZero)
{
    PlayMovieValueInfo empty;
    EXPECT_EQ(empty._playType, CommonConst::PlayType::Movie);
    EXPECT_EQ(empty._minValue, 0);
    EXPECT_EQ(empty._maxValue, 1);
    empty.setCurrentValue(500);
    EXPECT_EQ(empty._currentValue, 1);
    EXPECT_EQ(empty.currentIndex(), 0);
    EXPECT_EQ(empty.currentFrame(), 0);
    EXPECT_EQ(empty.currentChapter(), nullptr);

    PlayMovieValueInfo overEmptyList(ChapterList{}, CardData::ActiveType::MovieRec);
    EXPECT_EQ(overEmptyList._maxValue, 0);
    overEmptyList.setCurrentValue(10);
    EXPECT_EQ(overEmptyList._currentValue, 0);
}

TEST(PlayMovieValueInfo, ChapterListKindGivesThePlayType)
{
    const ChapterList list{chapterOfLength(1000)};
    EXPECT_EQ(PlayMovieValueInfo(list, CardData::ActiveType::AdventureRec)._playType, CommonConst::PlayType::Adventure);
    EXPECT_EQ(PlayMovieValueInfo(list, CardData::ActiveType::MovieRec)._playType, CommonConst::PlayType::Movie);
    EXPECT_EQ(PlayMovieValueInfo(list, CardData::ActiveType::EventRec)._playType, CommonConst::PlayType::Movie);
    EXPECT_EQ(PlayMovieValueInfo(list, CardData::ActiveType::MovieRec)._maxValue, 1000);
}

TEST(PlayMovieValueInfo, TheMillisecondAfterAChapterBelongsToTheNext)
{
    const ChapterList list{chapterOfLength(1000), chapterOfLength(2000)};
    PlayMovieValueInfo info(list, CardData::ActiveType::MovieRec);
    EXPECT_EQ(info._maxValue, 3001);
    info.setCurrentValue(1000);
    EXPECT_EQ(info.currentIndex(), 0);
    EXPECT_EQ(info.currentFrame(), 1000);
    EXPECT_EQ(info.currentChapter(), list[0]);
    info.setCurrentValue(1001);
    EXPECT_EQ(info.currentIndex(), 1);
    EXPECT_EQ(info.currentFrame(), 0);
    EXPECT_EQ(info.currentChapter(), list[1]);
    info.setCurrentValue(99999);
    EXPECT_EQ(info._currentValue, 3001);
    EXPECT_EQ(info.currentIndex(), 1);
    EXPECT_EQ(info.currentFrame(), 2000);
}

TEST(PlayMovieValueInfo, SettingTheSamePositionKeepsTheCaches)
{
    PlayMovieValueInfo info(ChapterList{chapterOfLength(1000), chapterOfLength(2000)}, CardData::ActiveType::MovieRec);
    info.setCurrentValue(1500);
    EXPECT_EQ(info.currentIndex(), 1);
    // A stale cache is visible only if the setter keeps it: plant one.
    info._currentIndex = 7;
    info.setCurrentValue(1500);
    EXPECT_EQ(info.currentIndex(), 7);
    info.setCurrentValue(1501);
    EXPECT_EQ(info.currentIndex(), 1);
}

TEST(PlayMovieValueInfo, StopwatchAndTrimBoundsHoldThePositionAndTheUpperBoundWins)
{
    PlayMovieValueInfo info(ChapterList{chapterOfLength(60000)}, CardData::ActiveType::MovieRec);
    info.setMovieCut(5000, std::nullopt);
    info.setStopwatchStart(7000);
    info.setCurrentValue(1000);
    EXPECT_EQ(info._currentValue, 7000);
    info.setMovieCut(5000, 4000);
    info.setCurrentValue(1000);
    EXPECT_EQ(info._currentValue, 4000);
    info.setCurrentValue(50000);
    EXPECT_EQ(info._currentValue, 4000);
}

TEST(PlayMovieValueInfo, BoundChaptersAreCachedUntilTheirBoundChanges)
{
    PlayMovieValueInfo info(ChapterList{chapterOfLength(1000), chapterOfLength(1000), chapterOfLength(1000)},
                            CardData::ActiveType::MovieRec);
    EXPECT_EQ(info.startFrameIndex(), 0);
    EXPECT_EQ(info.endFrameIndex(), 2);
    info.setMovieCut(1200, 1900);
    EXPECT_EQ(info.startFrameIndex(), 1);
    EXPECT_EQ(info.endFrameIndex(), 1);
    info.setStopwatchStart(2500);
    EXPECT_EQ(info.startFrameIndex(), 2);
    EXPECT_EQ(info.endFrameIndex(), 1); // the upper side was not touched
    info.setMovieCut(std::nullopt, std::nullopt);
    info.setStopwatchStart(std::nullopt);
    EXPECT_EQ(info.startFrameIndex(), 0);
    EXPECT_EQ(info.endFrameIndex(), 2);
}

#ifdef KR_HAVE_CARDGEN
#include "../catalog/CatalogFixture.h"
#include "core/recording/PictureDataUtil.h"

using namespace catalogtest;
using PlayListOfRecord = CatalogFixture;

TEST_F(PlayListOfRecord, EventAndSurveillanceRecordsPlayTheirWindowsAndARecordWithoutItsChapterNone)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(4, 0)};
    const auto w = write(o);
    const auto& m = w.trips[0].chapters;
    ASSERT_TRUE(QFile::remove(m[3].path));
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"),
               cardgen::buildProtectFile(1, {gEntry(m[1], 5000), gEntry(m[1], 25000), gEntry(m[3], 1000)},
                                         {survEntry(m[0], 4000)}, {}));
    const auto card = load(w.moveDir);
    const MoveProtectList records = card->moveProtectList();
    ASSERT_EQ(records.size(), 4);
    int events = 0, surveillance = 0, empty = 0;
    for (const auto& r : records) {
        PlayMovieValueInfo info(*card, r);
        EXPECT_EQ(info._protectInfo, r);
        if (r->_detect == MoveProtectInfo::DetectStatus::SURV) {
            ++surveillance;
            EXPECT_EQ(info._playType, CommonConst::PlayType::Surveillance);
            EXPECT_EQ(info._minValue, 4000);
            EXPECT_EQ(info._currentValue, 4000);
            EXPECT_EQ(info._maxValue, std::min<qint64>(64000, PictureDataUtil::totalLength(info._chapterDataList)));
        } else if (info._chapterDataList.isEmpty()) {
            ++empty;
            EXPECT_EQ(info._playType, CommonConst::PlayType::Event);
            EXPECT_EQ(info._eventValue, -1);
            EXPECT_EQ(info._minValue, 0);
            EXPECT_EQ(info._maxValue, 1);
            EXPECT_EQ(info._currentValue, 0);
        } else {
            ++events;
            // 5 s into chapter 2: the window reaches back into chapter 1;
            // 25 s into the 20 s chapter 2: it reaches on into chapter 3.
            EXPECT_EQ(info._chapterDataList.size(), 2);
            EXPECT_EQ(info._currentValue, info._minValue);
            EXPECT_EQ(*info._eventValue - info._minValue, 12000);
            EXPECT_EQ(info._maxValue - *info._eventValue, 8000);
        }
    }
    EXPECT_EQ(events, 2);
    EXPECT_EQ(surveillance, 1);
    EXPECT_EQ(empty, 1);
}
#endif

TEST(PlayMovieValueInfo, LengthsLearntLaterMoveTheEndAndKeepPositionsInTheirChapters)
{
    // The middle chapter's recording is read only after the list was made.
    auto pending = std::make_shared<ChapterData>(QUrl::fromLocalFile(QStringLiteral("/nonexistent/y.MP4")));
    const ChapterList list{chapterOfLength(1000), pending, chapterOfLength(2000)};
    PlayMovieValueInfo info(list, CardData::ActiveType::MovieRec);
    EXPECT_EQ(info._maxValue, 1000 + 1 + 0 + 1 + 2000);
    info.setCurrentValue(1002 + 500);
    info.setStopwatchStart(1002 + 100);
    info.setMovieCut(1002 + 200, 1002 + 200 + 1'800'000); // ends past the list's end
    EXPECT_FALSE(info.followChapterLengths());

    auto read = std::make_shared<VideoInfo>();
    read->_timeSpan = 4000;
    read->completeTables();
    pending->storePicture(std::make_shared<PictureData>(read));
    // Nothing moves until the list is asked to follow.
    EXPECT_EQ(info.currentIndex(), 2);
    EXPECT_EQ(info.chapterStart(2), 1002);
    EXPECT_TRUE(info.chapterLengthsChanged());

    EXPECT_TRUE(info.followChapterLengths());
    EXPECT_EQ(info._maxValue, 1000 + 1 + 4000 + 1 + 2000);
    EXPECT_EQ(info.chapterStart(2), 5002);
    EXPECT_EQ(info._currentValue, 5002 + 500);
    EXPECT_EQ(info.currentIndex(), 2);
    EXPECT_EQ(info.currentFrame(), 500);
    EXPECT_EQ(info._startValueStopwatch.value_or(-1), 5002 + 100);
    // A trim range keeps its length; a mark held elsewhere moves alike.
    EXPECT_EQ(info._startValueMovieCut.value_or(-1), 5002 + 200);
    EXPECT_EQ(info._endValueMovieCut.value_or(-1), 5002 + 200 + 1'800'000);
    EXPECT_EQ(info.followedPosition(1002 + 300), 5002 + 300);
    EXPECT_EQ(info.followedPosition(700), 700);
    EXPECT_EQ(info.startFrameIndex(), 2);
    EXPECT_FALSE(info.followChapterLengths());
}
