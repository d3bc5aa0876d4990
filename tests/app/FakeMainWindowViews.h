#pragma once

// Stand-ins for the views the main window is given after it is built, for
// tests of its commands that need a movie ready or a map without playing
// one.

#include "app/shell/MainWindowViews.h"

#include <optional>

// A player with a movie loaded and ready.
struct ReadyPlayer : MoviePlayerViewInterface {
    bool mute = false;
    double gamma = 1.0;
    bool isReadyToPlay() const override { return true; }
    void pause() override {}
    void closeMovie(bool) override {}
    bool autoPlay() const override { return false; }
    void setAutoPlay(bool) override {}
    void play() override {}
    void setLoadingTextVisible(bool) override {}
    void setSaveButtonEnabled(bool, const QString&) override {}
    void applyStartupSettings(float, bool, double) override {}
    WindowTitleState windowTitleState() const override { return {}; }
    bool isMute() const override { return mute; }
    double brightness() const override { return gamma; }
    void fullScreenDidChange(bool) override {}
    void setToolsVisible(bool) override {}
};

// A map zoomed and centred on data whose page tells what it is asked, or
// nothing (no zoom).
struct AnsweringMap : MapViewInterface {
    std::optional<int> zoom;
    QString type = QStringLiteral("roadmap");
    void applySettings(bool, const QString&, int, int) override {}
    bool loadPage() override { return true; }
    std::optional<int> zoomToRemember() override { return zoom; }
    bool dispBalloon() override { return true; }
    void clearForLoad() override {}
    void showCatalogue(const std::shared_ptr<CardData>&) override {}
    void tripRouteDidLoad(const std::shared_ptr<ChapterData>&) override {}
    void clearRouteAndCar() override {}
    void drawTripRoute(const std::shared_ptr<TripData>&) override {}
    void drawWindowRoute(const ChapterList&, qint64, qint64) override {}
    void refreshCar() override {}
    void fullScreenDidChange(bool) override {}
    bool isZoomedAndCentred() const override { return true; }
    std::optional<int> currentZoom() override { return zoom; }
    QString mapTypeId() override { return type; }
    void exportGoogleEarth() override {}
};
