#pragma once

#include "core/foundation/CommonConst.h"

#include <QString>
#include <QStringList>

// What the main window's title is made from: the play list's movie paths,
// the current chapter index and the player's state.
struct WindowTitleState {
    QStringList chapterMoviePaths; // one per chapter of the play list
    qsizetype currentIndex = 0;
    bool playerReady = false; // a media player exists and is ready to play
    CommonConst::PlayStatus playStatus = CommonConst::PlayStatus::NotReady;
    CommonConst::PlayType playType = CommonConst::PlayType::Movie;
};

// "<form title> <movie path> - KORVELTA REPLAY" while a chapter is ready to
// play (the movie form title for normal recordings, the event form title for
// every other kind), else the application title alone.
QString windowTitle(const WindowTitleState& state);
