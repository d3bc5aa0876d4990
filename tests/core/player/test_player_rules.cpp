#include "core/player/PlaybackClock.h"
#include "core/player/PlayerRules.h"

#include <gtest/gtest.h>

using namespace PlayerRules;
using CommonConst::PlayStatus;
using CommonConst::PlayType;

namespace {

SyncInputs playingAt(float rate, std::uint32_t ts, qint64 now)
{
    SyncInputs in;
    in.settingRate = rate;
    in.itemReady = true;
    in.ts = ts;
    in.ts50 = ts + 50;
    in.ts150 = ts + 150;
    in.now = now;
    in.itemEndLimit = 60000;
    return in;
}

} // namespace

TEST(PlayerSync, AtNormalSpeedALaggingOrLevelMovieStartsAndOneMoreThan100msAheadPauses)
{
    EXPECT_EQ(decideSync(playingAt(1.0f, 5000, 4990)), SyncAction::Start);
    EXPECT_EQ(decideSync(playingAt(1.0f, 5000, 5000)), SyncAction::Start);
    EXPECT_EQ(decideSync(playingAt(1.0f, 5000, 5001)), SyncAction::KeepRate);
    EXPECT_EQ(decideSync(playingAt(1.0f, 5000, 5100)), SyncAction::KeepRate);
    EXPECT_EQ(decideSync(playingAt(1.0f, 5000, 5101)), SyncAction::Pause);
    EXPECT_EQ(decideSync(playingAt(0.5f, 5000, 5101)), SyncAction::Pause);
}

TEST(PlayerSync, AtTwiceTheSpeedTheMarginIs300ms)
{
    EXPECT_DOUBLE_EQ(syncLeadMs(2.0f), 200.0);
    EXPECT_DOUBLE_EQ(syncLeadMs(1.0f), 0.0);
    EXPECT_EQ(decideSync(playingAt(2.0f, 5000, 5300)), SyncAction::KeepRate);
    EXPECT_EQ(decideSync(playingAt(2.0f, 5000, 5301)), SyncAction::Pause);
    EXPECT_EQ(decideSync(playingAt(2.0f, 5000, 4000)), SyncAction::Start);
}

TEST(PlayerSync, AboveTwiceTheSpeedEveryTickSeeksEvenBeforeTheMovieIsReady)
{
    for (float rate : {3.0f, 5.0f, 10.0f}) {
        SyncInputs in = playingAt(rate, 5000, 0);
        EXPECT_EQ(decideSync(in), SyncAction::PauseAndSeek);
        in.itemReady = false;
        EXPECT_EQ(decideSync(in), SyncAction::PauseAndSeek);
    }
}

TEST(PlayerSync, NoFrameOrAMovieNotReadyLeavesTheMovieAlone)
{
    SyncInputs in = playingAt(1.0f, 5000, 0);
    in.ts.reset();
    EXPECT_EQ(decideSync(in), SyncAction::None);
    in = playingAt(1.0f, 5000, 0);
    in.itemReady = false;
    EXPECT_EQ(decideSync(in), SyncAction::None);
}

TEST(PlayerSync, ARecordingThatStandsStillOverTheNext150msHoldsThePicture)
{
    SyncInputs in = playingAt(1.0f, 5000, 4000);
    in.ts50 = 5040;
    in.ts150 = 5040;
    EXPECT_EQ(decideSync(in), SyncAction::Pause);
    in.ts50.reset();
    in.ts150.reset();
    EXPECT_EQ(decideSync(in), SyncAction::Pause);
    // Only one of them known: the recording still moves on.
    in.ts50 = 5040;
    EXPECT_EQ(decideSync(in), SyncAction::Start);
}

TEST(PlayerSync, TheLastChapterPausesAHundredMillisecondsBeforeItsEnd)
{
    EXPECT_EQ(itemEndLimit(60000, true), 59900);
    EXPECT_EQ(itemEndLimit(60000, false), 60000);
    EXPECT_EQ(itemEndLimit(-1, true), 0);
    SyncInputs in = playingAt(1.0f, 59900, 59800);
    in.itemEndLimit = itemEndLimit(60000, true);
    EXPECT_EQ(decideSync(in), SyncAction::Pause);
    in.ts = 59899;
    EXPECT_EQ(decideSync(in), SyncAction::Start);
}

TEST(PlayerSync, APositionInAnEarlierChapterThanTheModelsPauses)
{
    SyncInputs in = playingAt(1.0f, 5000, 4000);
    in.positionIndex = 0;
    in.currentIndex = 1;
    EXPECT_EQ(decideSync(in), SyncAction::Pause);
}

TEST(PlayerSync, SeekTargetIsTheFramesTimeHeldToTheEndLimit)
{
    EXPECT_EQ(seekTarget(4321u, 60000), 4321);
    EXPECT_EQ(seekTarget(61000u, 59900), 59900);
    EXPECT_EQ(seekTarget(std::nullopt, 59900), 0);
    EXPECT_EQ(seekTarget(std::nullopt, 0), 0);
}

TEST(PlayerLabels, DifferenceFromTheEventInTenthsOfASecond)
{
    EXPECT_EQ(diffSecText(true, PlayType::Event, 20000, 32500), QStringLiteral("+12.5"));
    EXPECT_EQ(diffSecText(true, PlayType::Event, 20000, 17000), QStringLiteral("-03.0"));
    EXPECT_EQ(diffSecText(true, PlayType::Event, 20000, 20049), QStringLiteral("±00.0"));
    EXPECT_EQ(diffSecText(true, PlayType::Event, 20000, 19951), QStringLiteral("±00.0"));
    EXPECT_EQ(diffSecText(true, PlayType::Event, 20000, 20051), QStringLiteral("+00.1"));
    EXPECT_EQ(diffSecText(false, PlayType::Event, 20000, 32500), QStringLiteral("±00.0"));
    EXPECT_EQ(diffSecText(true, PlayType::Surveillance, 20000, 32500), QString());
    EXPECT_EQ(diffSecText(true, PlayType::Movie, 0, 32500), QString());
    EXPECT_EQ(diffSecText(true, PlayType::Event, -1, 32500), QString());
}

TEST(PlayerControlsState, NothingButOpenAndSettingWhileNotReady)
{
    const NavigationState nav = navigationState({});
    EXPECT_FALSE(nav.play || nav.pause || nav.pauseShown || nav.stop || nav.frameBack || nav.frameForward
                 || nav.previousChapter || nav.nextChapter || nav.first || nav.last || nav.trackbar || nav.fullscreen);
    const ToolState tools = toolState(false, false, false);
    EXPECT_TRUE(tools.open && tools.setting);
    EXPECT_FALSE(tools.save || tools.cut || tools.snapshot || tools.zoom || tools.stopwatch || tools.googleEarth
                 || tools.fullscreen);
}

TEST(PlayerControlsState, TransportFollowsStatusPositionAndBounds)
{
    NavigationInputs in;
    in.ready = true;
    in.status = PlayStatus::Stop;
    in.type = PlayType::Movie;
    in.position = 0;
    in.lower = 0;
    in.upper = 3001;
    in.maxValue = 3001;
    in.endFrameIndex = 1;
    in.isNextTrip = true;
    NavigationState s = navigationState(in);
    EXPECT_TRUE(s.play && s.pause && !s.pauseShown && !s.stop && !s.frameBack && s.frameForward);
    EXPECT_FALSE(s.previousChapter);
    EXPECT_TRUE(s.nextChapter && s.last && !s.first && s.trackbar && s.fullscreen);

    in.status = PlayStatus::Play;
    in.position = 1500;
    in.currentIndex = 1;
    s = navigationState(in);
    EXPECT_TRUE(!s.play && s.pauseShown && s.stop && s.frameBack && s.frameForward);
    EXPECT_TRUE(s.previousChapter && !s.nextChapter);

    // At a trim end below the list's end play is refused; at the list's end it rewinds.
    in.status = PlayStatus::Pause;
    in.upper = 1500;
    in.cutSelection = true;
    in.selectStart = 1500;
    s = navigationState(in);
    EXPECT_FALSE(s.play || s.frameForward || s.frameBack);
    in.upper = in.maxValue;
    in.position = in.maxValue;
    EXPECT_TRUE(navigationState(in).play);
}

TEST(PlayerControlsState, ChapterButtonsByListKind)
{
    NavigationInputs in;
    in.ready = true;
    in.status = PlayStatus::Pause;
    in.upper = in.maxValue = 100;
    in.hasPreviousChapter = in.hasNextChapter = true;
    in.currentIndex = 1;
    in.endFrameIndex = 2;
    for (PlayType t : {PlayType::Event, PlayType::Surveillance}) {
        in.type = t;
        const NavigationState s = navigationState(in);
        EXPECT_FALSE(s.previousChapter || s.nextChapter);
    }
    in.type = PlayType::Adventure;
    EXPECT_TRUE(navigationState(in).previousChapter && navigationState(in).nextChapter);
    in.hasNextChapter = false;
    EXPECT_FALSE(navigationState(in).nextChapter);
}

TEST(PlayerControlsState, ZoomAndTrimExcludeEachOther)
{
    EXPECT_TRUE(toolState(true, false, false).zoom);
    EXPECT_FALSE(toolState(true, false, true).zoom);
    EXPECT_FALSE(toolState(true, true, false).cut);
    EXPECT_FALSE(toolState(true, true, false).snapshot);
    EXPECT_TRUE(toolState(true, true, false).stopwatch);
}

// ---- the clock ----

namespace {
struct FakeTime {
    qint64 ns = 1'000'000'000;
    PlaybackClock::TimeSource source()
    {
        return [this] { return ns; };
    }
    void advanceMs(double ms) { ns += qint64(ms * 1e6); }
};
} // namespace

TEST(PlaybackClockArithmetic, EachTickAdvancesByRateTimesTheTimeSinceThePrevious)
{
    FakeTime t;
    PlaybackClock clock(t.source());
    EXPECT_EQ(clock.tick(100.0, 1.0, false), 100.0); // stopped: nothing
    clock.start();
    t.advanceMs(1000.0 / 30.0);
    double p = clock.tick(0.0, 2.0, false);
    EXPECT_NEAR(p, 66.6667, 1e-3);
    t.advanceMs(1000.0 / 30.0);
    p = clock.tick(p, 2.0, false);
    EXPECT_NEAR(p, 133.3333, 1e-3);
    // A late tick catches up with the real time.
    t.advanceMs(100.0);
    EXPECT_NEAR(clock.tick(p, 1.0, false), p + 100.0, 1e-6);
}

TEST(PlaybackClockArithmetic, TheFirstTickCountsFromTheStart)
{
    FakeTime t;
    PlaybackClock clock(t.source());
    t.advanceMs(5000);
    clock.start();
    t.advanceMs(20);
    EXPECT_NEAR(clock.tick(0.0, 10.0, false), 200.0, 1e-9);
}

TEST(PlaybackClockArithmetic, ADragHoldsThePositionAndTheNextTickCountsOnlyFromTheDrag)
{
    FakeTime t;
    PlaybackClock clock(t.source());
    clock.start();
    t.advanceMs(500);
    EXPECT_EQ(clock.tick(1000.0, 1.0, true), 1000.0);
    t.advanceMs(33);
    EXPECT_NEAR(clock.tick(1000.0, 1.0, false), 1033.0, 1e-9);
    clock.stop();
    t.advanceMs(1000);
    EXPECT_EQ(clock.tick(1033.0, 1.0, false), 1033.0);
    clock.start();
    t.advanceMs(10);
    EXPECT_NEAR(clock.tick(1033.0, 1.0, false), 1043.0, 1e-9);
}
