#pragma once

// Main windows for tests, playing on a media player that only records what
// it is asked.

#include "FakeMediaPlayer.h"
#include "app/mainwindow/MainWindow.h"
#include "app/mainwindow/ViewController.h"
#include "app/player/MoviePlayerView.h"

#include <QPointer>
#include <memory>

namespace apptest {

// No network probe, no update check, no wait before a load, and a fake
// media player (kept in media; movies durationMs long) that becomes ready
// after each open.
inline ViewController::Options fakePlayerOptions(QPointer<FakeMediaPlayer>& media, qint64 durationMs)
{
    ViewController::Options o;
    o.probeNetwork = false;
    o.checkForUpdates = false;
    o.loadDelayMs = 0;
    o.playerFactory = [&media, durationMs](MoviePlayerView& view) -> MediaPlayer* {
        auto* fake = new FakeMediaPlayer(&view);
        fake->duration = durationMs;
        media = fake;
        fake->becomeReadyAfterEachOpen();
        return fake;
    };
    return o;
}

// A main window with those options; media must outlive it.
inline std::unique_ptr<MainWindow> makeFakePlayerWindow(QPointer<FakeMediaPlayer>& media, qint64 durationMs)
{
    return std::make_unique<MainWindow>(nullptr, fakePlayerOptions(media, durationMs));
}

} // namespace apptest
