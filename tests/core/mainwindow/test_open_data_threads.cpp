// Two loads reading at once, each into its own catalogue (the main window
// lets a second load start while the first still reads).

#include "../catalog/CatalogFixture.h"
#include "core/mainwindow/OpenData.h"

#include <thread>

using namespace catalogtest;

using OpenDataThreads = CatalogFixture;

TEST_F(OpenDataThreads, TwoLoadsReadAtOnceEachIntoItsOwnCatalogue)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0), tripOf(3, 1)};
    const auto w = write(o);
    OpenData::Generations g;
    OpenData::Load a = g.begin(w.moveDir, MovieType::Card);
    OpenData::Load b = g.begin(w.trips[1].chapters[0].path, MovieType::PC);
    OpenData::FirstRecording ra{}, rb{};
    std::thread ta([&] {
        a.card->readCardData(a.path);
        ra = OpenData::checkFirstRecording(*a.card);
    });
    std::thread tb([&] {
        b.card->readCardData(b.path);
        rb = OpenData::checkFirstRecording(*b.card);
    });
    ta.join();
    tb.join();
    EXPECT_EQ(ra, OpenData::FirstRecording::Ok);
    EXPECT_EQ(rb, OpenData::FirstRecording::Ok);
    EXPECT_EQ(a.card->tripList().size(), 2);
    EXPECT_EQ(b.card->tripList().size(), 1);
    a.card->dispose();
    b.card->dispose();
}
