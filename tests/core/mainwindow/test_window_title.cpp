#include "core/mainwindow/WindowTitle.h"

#include <gtest/gtest.h>

using CommonConst::PlayStatus;
using CommonConst::PlayType;

namespace {
WindowTitleState readyState(PlayType type)
{
    WindowTitleState s;
    s.chapterMoviePaths = {QStringLiteral("/media/u/CARD/MOVE/a.MP4"),
                           QStringLiteral("/media/u/CARD/MOVE/b.MP4")};
    s.currentIndex = 1;
    s.playerReady = true;
    s.playStatus = PlayStatus::Pause;
    s.playType = type;
    return s;
}
} // namespace

TEST(WindowTitle, NamesFormMovieAndApplicationWhileReady)
{
    EXPECT_EQ(windowTitle(readyState(PlayType::Movie)),
              QStringLiteral("Recording always on /media/u/CARD/MOVE/b.MP4 - KORVELTA REPLAY"));
}

TEST(WindowTitle, EverythingButNormalRecordingsGetsTheEventTitle)
{
    for (PlayType t : {PlayType::Event, PlayType::Surveillance, PlayType::Adventure})
        EXPECT_EQ(windowTitle(readyState(t)),
                  QStringLiteral("Event recording /media/u/CARD/MOVE/b.MP4 - KORVELTA REPLAY"));
}

TEST(WindowTitle, DefaultTitleWhenNothingIsReady)
{
    EXPECT_EQ(windowTitle(WindowTitleState{}), QStringLiteral("KORVELTA REPLAY"));
    auto s = readyState(PlayType::Movie);
    s.currentIndex = 2; // ran past the play list
    EXPECT_EQ(windowTitle(s), QStringLiteral("KORVELTA REPLAY"));
    s.currentIndex = -1;
    EXPECT_EQ(windowTitle(s), QStringLiteral("KORVELTA REPLAY"));
    s = readyState(PlayType::Movie);
    s.playStatus = PlayStatus::NotReady;
    EXPECT_EQ(windowTitle(s), QStringLiteral("KORVELTA REPLAY"));
    s = readyState(PlayType::Movie);
    s.playerReady = false;
    EXPECT_EQ(windowTitle(s), QStringLiteral("KORVELTA REPLAY"));
}

TEST(WindowTitle, PercentSignsInThePathStayAsTheyAre)
{
    auto s = readyState(PlayType::Movie);
    s.chapterMoviePaths[1] = QStringLiteral("/media/u/%1 %2/x.MP4");
    EXPECT_EQ(windowTitle(s), QStringLiteral("Recording always on /media/u/%1 %2/x.MP4 - KORVELTA REPLAY"));
}
