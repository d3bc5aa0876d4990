// The recording list's rows and current rows, over generated cards.

#include "../../support/HeldCardReads.h"
#include "CatalogFixture.h"
#include "core/catalog/RecordingList.h"
#include "core/catalog/TripData.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/recording/PictureData.h"
#include "core/recording/VideoInfo.h"

#include <thread>

using namespace catalogtest;
using ListType = CommonConst::ListType;
using RecordType = RecordingList::RecordType;

namespace {

class RecordingListTest : public CatalogFixture {
protected:
    void SetUp() override
    {
        CatalogFixture::SetUp();
        UserDefaultUtil::dateFormat = 1;
        UserDefaultUtil::timeZone = 3;
        UserDefaultUtil::summerTime = false;
    }
    void TearDown() override { UserDefaultUtil::resetToInitialValues(); }

    // Trip 0: a G shock and a switch press; trip 1 parked with a
    // surveillance detection; trip 2 with an adventure over chapters 2 and 3.
    cardgen::WrittenCard writeMixedCard()
    {
        cardgen::CardOptions o;
        o.trips = {tripOf(2, 0), tripOf(2, 1), tripOf(3, 2)};
        o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 5000, true},
                                      {cardgen::Incident::Kind::SwitchPress, 15000, true}};
        o.trips[1].drive.profile = cardgen::SpeedProfile::Parked;
        o.trips[1].drive.incidents = {{cardgen::Incident::Kind::Surveillance, 5000, true}};
        o.trips[2].adventureFirstChapter = 1;
        o.trips[2].adventureChapters = 2;
        return write(o);
    }
};

} // namespace

TEST_F(RecordingListTest, EventsAndSurveillanceAreSplitAndRecordsWithoutChapterLeftOut)
{
    auto w = writeMixedCard();
    // Add a G record naming a movie that is not on the card.
    cardgen::WrittenMovie ghost = w.trips[0].chapters[0];
    ghost.indexName = QStringLiteral("2099010100000999");
    const auto& m0 = w.trips[0].chapters[0];
    const auto& m1 = w.trips[1].chapters[0];
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"),
               cardgen::buildProtectFile(1, {gEntry(m0, 5000), gEntry(ghost, 100)}, {survEntry(m1, 5000)},
                                         {protectEntry(m0, 15000, 0x20)}));
    const auto card = load(w.moveDir);
    RecordingList list;
    list.setData(card);

    ASSERT_EQ(list.events().size(), 2);
    ASSERT_EQ(list.surveillances().size(), 1);
    EXPECT_EQ(list.surveillances()[0]->_detect, MoveProtectInfo::DetectStatus::SURV);

    list.setListType(ListType::Event);
    const auto rows = list.records();
    ASSERT_EQ(rows.size(), 2);
    int manual = 0, automatic = 0;
    for (int i = 0; i < 2; ++i) {
        const bool sw = list.events()[i]->_detect == MoveProtectInfo::DetectStatus::SW;
        EXPECT_EQ(rows[i].recordType, sw ? RecordType::Manual : RecordType::Auto);
        (sw ? manual : automatic)++;
    }
    EXPECT_EQ(manual, 1);
    EXPECT_EQ(automatic, 1);

    list.setListType(ListType::Surveillance);
    ASSERT_EQ(list.records().size(), 1);
    EXPECT_EQ(list.records()[0].recordType, RecordType::Always);
}

TEST_F(RecordingListTest, DatesFollowTheChosenFormatAndZone)
{
    const auto w = writeMixedCard();
    const auto card = load(w.moveDir);
    RecordingList list;
    list.setData(card);
    ASSERT_GE(list.trips().size(), 1);

    // Trip 0 starts at 2026-03-14 21:30:00 UTC: 05:30 on the 15th in Perth.
    auto row = list.records().value(0);
    EXPECT_EQ(row.dateLine(), QStringLiteral("15.03.2026"));
    EXPECT_EQ(row.timeLine(), QStringLiteral("05:30:00"));
    EXPECT_EQ(row.recordType, RecordType::Always);

    // An index outside the table means Sydney; standard time without summer time.
    UserDefaultUtil::timeZone = 9;
    UserDefaultUtil::dateFormat = 0;
    row = list.records().value(0);
    EXPECT_EQ(row.dateLine(), QStringLiteral("15.03.2026"));
    EXPECT_EQ(row.timeLine(), QStringLiteral("07:30:00 AM"));
    UserDefaultUtil::summerTime = true;
    EXPECT_EQ(list.records().value(0).timeLine(), QStringLiteral("08:30:00 AM"));
}

TEST_F(RecordingListTest, SelectRowChecksTheListItNames)
{
    const auto w = writeMixedCard();
    const auto card = load(w.moveDir);
    RecordingList list;
    list.setData(card);
    const int events = list.rowCount(ListType::Event);
    ASSERT_EQ(events, 2);

    EXPECT_FALSE(list.selectRow(events, ListType::Event));
    EXPECT_FALSE(list.selectRow(-1, ListType::Trip));
    EXPECT_EQ(list.currentRow(ListType::Event), -1);

    list.setListType(ListType::Event);
    EXPECT_TRUE(list.selectRow(1, ListType::Trip));
    EXPECT_EQ(list.currentRow(ListType::Trip), 1);
    EXPECT_EQ(list.workRowTrip(), 1);
    EXPECT_EQ(list.currentRow(), -1); // the list on show keeps its own row
}

TEST_F(RecordingListTest, TheChapterTabFollowsTheCurrentRows)
{
    const auto w = writeMixedCard();
    const auto card = load(w.moveDir);
    RecordingList list;
    list.setData(card);
    ASSERT_EQ(list.adventures().size(), 1);

    EXPECT_EQ(list.chapterTabType(), ListType::TripChapter);
    ASSERT_TRUE(list.selectRow(0, ListType::Adventure));
    EXPECT_EQ(list.chapterTabType(), ListType::AdvChapter);

    // With an adventure current, its first chapter row shows the adventure's start.
    const ChapterList chapters = list.adventureChapters();
    ASSERT_EQ(chapters.size(), 2);
    list.setListType(ListType::AdvChapter);
    ASSERT_TRUE(list.selectRow(0, ListType::AdvChapter));
    const auto atStart = list.records();
    ASSERT_EQ(atStart.size(), 2);
    EXPECT_EQ(atStart[0].dateTime, RecordingList::makeRecord(chapters[0]->startAdvTime(), {}, RecordType::Always).dateTime);
    ASSERT_TRUE(list.selectRow(1, ListType::AdvChapter));
    EXPECT_EQ(list.records()[0].dateTime, RecordingList::makeRecord(chapters[0]->startTime(), {}, RecordType::Always).dateTime);

    // After a reset the chapter tab still lists the trip chosen last.
    ASSERT_TRUE(list.selectRow(1, ListType::Trip));
    list.resetCurrentRows();
    EXPECT_EQ(list.chapterTabType(), ListType::TripChapter);
    list.setListType(ListType::TripChapter);
    EXPECT_EQ(list.records().size(), list.trip(1)->chapterCount());
    EXPECT_EQ(list.highlightedRow(), -1);
    list.setListType(ListType::Trip);
    EXPECT_EQ(list.highlightedRow(), 1); // the trip chosen last stays marked
}

TEST_F(RecordingListTest, RowsAreTheTripsTheyShowWhenATripHasNoChapters)
{
    const auto w = writeMixedCard();
    const auto card = load(w.moveDir);
    const TripList tab = card->tripListTab();
    ASSERT_GE(tab.size(), 2);
    // Empty the first trip, as a disposed or damaged trip would be.
    tab[0]->clearChapters();
    RecordingList list;
    list.setData(card);
    ASSERT_EQ(list.records().size(), list.trips().size());
    for (qsizetype i = 0; i < list.trips().size(); ++i) EXPECT_GT(list.trips()[i]->chapterCount(), 0);
    ASSERT_TRUE(list.selectRow(0, ListType::Trip));
    EXPECT_EQ(list.trip(0), tab[1]);
    EXPECT_EQ(list.tripChapters(), tab[1]->chapterDataList());
}

TEST_F(RecordingListTest, RowsShowWhatIsKnownWithoutReadingTheCardAndWhatArrivesLater)
{
    // A trip of one chapter and one of two; only the second trip's first
    // chapter is in the index, and the other two movies cannot be read
    // when the card is opened (a card that stumbled).
    cardgen::CardOptions o;
    o.trips = {tripOf(1, 0), tripOf(2, 1)};
    const auto w = write(o);
    writeBytes(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT"),
               cardgen::buildVrecFile(1, {vrecEntry(w.trips[1].chapters[0])}, {}));
    QList<std::pair<QString, QByteArray>> stumbled;
    for (const cardgen::WrittenMovie* m : {&w.trips[0].chapters[0], &w.trips[1].chapters[1]}) {
        QFile movie(m->path);
        ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
        stumbled.append({m->path, movie.readAll()});
        movie.close();
        writeBytes(m->path, QByteArray("not a movie yet"));
    }
    const auto card = load(w.moveDir);
    RecordingList list;
    list.setData(card);
    ASSERT_EQ(list.trips().size(), 2);
    ASSERT_TRUE(list.selectRow(1, ListType::Trip));
    const auto unread = list.trip(0)->firstChapter();
    // (A chapter whose start was not found is put first.)
    const auto unindexed = list.trip(1)->chapterDataList().value(0);
    const auto indexed = list.trip(1)->chapterDataList().value(1);
    ASSERT_TRUE(indexed && indexed->_vmmInfo);
    ASSERT_FALSE(unread->hasPicture() || unindexed->hasPicture());

    // Every read of the card is held now; one that comes is let go at once
    // (and counted), so that a fault fails here instead of hanging.
    HeldCardReads held;
    std::atomic<bool> done{false};
    std::thread release([&] {
        while (!done.load()) {
            if (held.reads.load() > 0) HeldCardReads::letGo();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const auto unknown =
        RecordingList::makeRecord(CommonConst::DEFAULT_DATE(), {}, RecordType::Always).dateTime;
    list.setListType(ListType::Trip);
    auto trips = list.records();
    list.setListType(ListType::TripChapter);
    auto chapters = list.records();
    EXPECT_EQ(held.reads.load(), 0);
    ASSERT_EQ(trips.size(), 2);
    ASSERT_EQ(chapters.size(), 2);
    EXPECT_EQ(trips[0].dateTime, unknown);
    EXPECT_EQ(trips[1].dateTime, unknown);
    EXPECT_EQ(chapters[0].dateTime, unknown);
    EXPECT_EQ(chapters[1].dateTime,
              RecordingList::makeRecord(indexed->_vmmInfo->_datetime, {}, RecordType::Always).dateTime);
    done.store(true);
    release.join();

    // The movies read as the catalogue's workers read them: the rows built
    // next show their starts.
    HeldCardReads::letGo();
    for (const auto& [path, bytes] : stumbled)
        writeBytes(path, bytes);
    for (const auto& chapter : {unread, unindexed}) {
        const auto picture = chapter->loadPicture(true);
        ASSERT_TRUE(picture && picture->video);
    }
    chapters = list.records();
    const QDateTime found = unindexed->loadPicture(false)->video->firstTime;
    EXPECT_EQ(chapters[0].dateTime, RecordingList::makeRecord(found, {}, RecordType::Always).dateTime);
    list.setListType(ListType::Trip);
    trips = list.records();
    EXPECT_EQ(trips[1].dateTime, chapters[0].dateTime);
    EXPECT_EQ(trips[0].dateLine(), QStringLiteral("15.03.2026"));
    EXPECT_EQ(trips[0].timeLine(), QStringLiteral("05:30:00"));
}

TEST_F(RecordingListTest, NoCatalogueGivesEmptyLists)
{
    RecordingList list;
    list.setData(nullptr);
    for (auto t : {ListType::Trip, ListType::Event, ListType::Surveillance, ListType::Adventure,
                   ListType::TripChapter, ListType::AdvChapter}) {
        list.setListType(t);
        EXPECT_TRUE(list.records().isEmpty());
        EXPECT_FALSE(list.selectRow(0, t));
    }
}
