// The load road's GUI-free parts: the first-recording check and the load numbering.

#include "../catalog/CatalogFixture.h"
#include "core/mainwindow/OpenData.h"

using namespace catalogtest;

using OpenDataCheck = CatalogFixture;

TEST_F(OpenDataCheck, AFolderWithoutIndexFilesHasNoTrip)
{
    QDir(dir.path()).mkpath(QStringLiteral("MOVE"));
    const auto card = load(moveDir());
    EXPECT_EQ(OpenData::checkFirstRecording(*card), OpenData::FirstRecording::NoTrip);
}

TEST_F(OpenDataCheck, AReadableFirstRecordingPasses)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0)};
    const auto w = write(o);
    const auto card = load(w.moveDir);
    EXPECT_EQ(OpenData::checkFirstRecording(*card), OpenData::FirstRecording::Ok);
    EXPECT_TRUE(card->tripList()[0]->firstChapter()->hasPicture());
}

TEST_F(OpenDataCheck, AnUnreadableOrForeignFirstRecordingIsRefused)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0)};
    const auto w = write(o);
    // Cut the first movie short so that its records cannot be read.
    const QString first = w.trips[0].chapters[0].path;
    QFile f(first);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.resize(64));
    f.close();
    const auto card = load(w.moveDir);
    EXPECT_EQ(OpenData::checkFirstRecording(*card), OpenData::FirstRecording::Unreadable);

    // A first movie of another format is refused; one later in the trip is
    // not this check's business.
    for (const auto& [chapter, expected] :
         {std::pair{0, OpenData::FirstRecording::Unreadable}, std::pair{1, OpenData::FirstRecording::Ok}}) {
        QTemporaryDir other;
        o.trips[0].chapterFormatCodes = {{chapter, 0x0715}};
        const auto foreign = cardgen::writeCard(other.path(), o);
        EXPECT_EQ(OpenData::checkFirstRecording(*load(foreign.moveDir)), expected) << chapter;
    }
}

TEST(OpenDataGenerations, OnlyTheLatestLoadCounts)
{
    OpenData::Generations g;
    const OpenData::Load a = g.begin(QStringLiteral("/a"), MovieType::Card);
    EXPECT_TRUE(g.isLatest(a));
    const OpenData::Load b = g.begin(QStringLiteral("/b"), MovieType::PC);
    EXPECT_FALSE(g.isLatest(a));
    EXPECT_TRUE(g.isLatest(b));
    EXPECT_NE(a.card, b.card); // each load reads into a catalogue of its own
    EXPECT_EQ(b.kind, MovieType::PC);
    g.invalidate();
    EXPECT_FALSE(g.isLatest(b));
}
