// Play windows of events (12 s before to 8 s after), surveillance recordings
// (60 s after the start) and adventure runs, at their bounds.

#include "CatalogFixture.h"

#include "core/recording/PictureData.h"
#include "core/recording/PictureDataUtil.h"

#include <algorithm>

using namespace catalogtest;

using CardDataWindow = CatalogFixture;

namespace {

// Five 20 s chapters numbered 1..5, the index stamps 20000 ms apart.
cardgen::CardOptions fiveChapters()
{
    cardgen::CardOptions o;
    o.trips = {tripOf(5, 0)};
    return o;
}

// The record stamped offsetMs into the movie.
const MoveProtectInfo& recordAt(const MoveProtectList& records, const cardgen::WrittenMovie& m, qint64 offsetMs)
{
    for (const auto& r : records)
        if (qint64(r->_timeStamp) == qint64(m.firstStamp) + offsetMs && r->_fileName.endsWith(m.indexName.right(4)))
            return *r;
    ADD_FAILURE() << "no record at " << offsetMs;
    return *records.first();
}

} // namespace

TEST_F(CardDataWindow, AnEventWindowReachesBack12sAndForward8s)
{
    const auto w = write(fiveChapters());
    const auto& m = w.trips[0].chapters;
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"),
               cardgen::buildProtectFile(1,
                                         {gEntry(m[2], 12000), gEntry(m[2], 11999), gEntry(m[2], 12001),
                                          gEntry(m[2], 5000), gEntry(m[0], 3000), gEntry(m[4], 15000)},
                                         {}, {}));
    const auto card = load(w.moveDir);
    const MoveProtectList records = card->moveProtectList();
    ASSERT_EQ(records.size(), 6);

    // 12000 ms in: nothing before (not below 12 s), 8000 ms left: nothing after.
    ChapterWindow at12 = card->eventChapterList(recordAt(records, m[2], 12000));
    ASSERT_TRUE(at12.chapters);
    EXPECT_EQ(numbersOf(*at12.chapters), (std::vector<qint32>{3}));
    EXPECT_EQ(at12.eventValue, 12000);
    EXPECT_EQ(at12.minValue, 0);
    EXPECT_EQ(at12.maxValue, 20000);

    // 11999 ms in: the chapter before is taken; 8001 ms left: none after.
    // The event lies at its frame's play position (the chapter starts at 20001).
    ChapterWindow before = card->eventChapterList(recordAt(records, m[2], 11999));
    ASSERT_TRUE(before.chapters);
    EXPECT_EQ(numbersOf(*before.chapters), (std::vector<qint32>{2, 3}));
    EXPECT_EQ(before.eventValue, 32000);
    EXPECT_EQ(before.minValue, 20000);
    EXPECT_EQ(before.maxValue, 40000);

    // 12001 ms in: 7999 ms left, so the next chapter is taken.
    ChapterWindow after = card->eventChapterList(recordAt(records, m[2], 12001));
    ASSERT_TRUE(after.chapters);
    EXPECT_EQ(numbersOf(*after.chapters), (std::vector<qint32>{3, 4}));
    EXPECT_EQ(after.eventValue, 12001);
    EXPECT_EQ(after.minValue, 1);
    EXPECT_EQ(after.maxValue, 20001);

    // Early in the first chapter: the range starts at 0.
    ChapterWindow first = card->eventChapterList(recordAt(records, m[0], 3000));
    ASSERT_TRUE(first.chapters);
    EXPECT_EQ(numbersOf(*first.chapters), (std::vector<qint32>{1}));
    EXPECT_EQ(first.minValue, 0);
    EXPECT_EQ(first.maxValue, 11000);

    // Late in the last chapter: the range ends with the list.
    const MoveProtectInfo& late = recordAt(records, m[4], 15000);
    ChapterWindow last = card->eventChapterList(late);
    ASSERT_TRUE(last.chapters);
    EXPECT_EQ(numbersOf(*last.chapters), (std::vector<qint32>{5}));
    EXPECT_EQ(last.eventValue, 15000);
    EXPECT_EQ(last.minValue, 3000);
    EXPECT_EQ(last.maxValue, qint64(m[4].lastStamp - m[4].firstStamp));
    EXPECT_EQ(card->protectChapterList(late).eventValue, 15000);

    // Two chapters back while less than 12 s lay before the event.
    const MoveProtectInfo& atFive = recordAt(records, m[2], 5000);
    ChapterWindow five = card->eventChapterList(atFive);
    ASSERT_TRUE(five.chapters);
    EXPECT_EQ(numbersOf(*five.chapters), (std::vector<qint32>{2, 3}));
    EXPECT_EQ(five.eventValue, 25001);
    // The event's position shows the event's own frame (and so its time).
    const VideoFramePtr shown = PictureDataUtil::videoFrame(*five.chapters, std::int32_t(five.eventValue));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->_timeStamp, atFive._timeStamp);
}

TEST_F(CardDataWindow, AWindowIsTheOneWorkedOutAtTheLoad)
{
    const auto w = write(fiveChapters());
    const auto& m = w.trips[0].chapters;
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"),
               cardgen::buildProtectFile(1, {gEntry(m[4], 15000)}, {}, {}));
    // The last chapter, whose length only its recording tells, cannot be
    // read during the load.
    QFile movie(m[4].path);
    ASSERT_TRUE(movie.open(QIODevice::ReadOnly));
    const QByteArray bytes = movie.readAll();
    movie.close();
    writeBytes(m[4].path, {});
    const auto card = load(w.moveDir);
    const MoveProtectList records = card->moveProtectList();
    ASSERT_EQ(records.size(), 1);
    const ChapterWindow atLoad = card->eventChapterList(*records[0]);
    ASSERT_TRUE(atLoad.chapters);

    writeBytes(m[4].path, bytes);
    const auto last = atLoad.chapters->last();
    ASSERT_EQ(last->fileNumber(), 5);
    ASSERT_TRUE(last->loadPicture(true)->video);
    EXPECT_EQ(last->knownTimeSpan(), qint64(m[4].lastStamp - m[4].firstStamp));
    const ChapterWindow later = card->eventChapterList(*records[0]);
    EXPECT_EQ(numbersOf(*later.chapters), numbersOf(*atLoad.chapters));
    EXPECT_EQ(later.eventValue, atLoad.eventValue);
    EXPECT_EQ(later.minValue, atLoad.minValue);
    EXPECT_EQ(later.maxValue, atLoad.maxValue);
}

TEST_F(CardDataWindow, ARecordStampedOutsideItsChapterKeepsItsChaptersWithItsRangeInsideThem)
{
    const auto w = write(fiveChapters());
    const auto& m = w.trips[0].chapters;
    // Chapter 4 is gone: a record naming it has no chapter on the card.
    ASSERT_TRUE(QFile::remove(m[3].path));
    const qint64 lastSpan = qint64(m[4].lastStamp - m[4].firstStamp);
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"),
               cardgen::buildProtectFile(1,
                                         {gEntry(m[1], -1), gEntry(m[1], 25000), gEntry(m[4], lastSpan + 500),
                                          gEntry(m[4], lastSpan + 30000), gEntry(m[3], 1000)},
                                         {survEntry(m[4], lastSpan + 100), survEntry(m[0], -5000)}, {}));
    const auto card = load(w.moveDir);
    const MoveProtectList records = card->moveProtectList();
    ASSERT_EQ(records.size(), 7);
    auto windowOf = [&](const cardgen::WrittenMovie& movie, qint64 offset) {
        return card->protectChapterList(recordAt(records, movie, offset));
    };
    auto insideItsList = [](const ChapterWindow& win) {
        const qint64 total = PictureDataUtil::totalLength(*win.chapters);
        return 0 <= win.minValue && win.minValue <= win.eventValue && win.eventValue <= win.maxValue &&
               win.maxValue <= total;
    };

    // A millisecond before its chapter: the walk back takes chapter 1.
    const ChapterWindow early = windowOf(m[1], -1);
    ASSERT_TRUE(early.chapters);
    EXPECT_EQ(numbersOf(*early.chapters), (std::vector<qint32>{1, 2}));
    EXPECT_TRUE(insideItsList(early));

    // Past its chapter's end with a chapter after it: the event lies there.
    const ChapterWindow past = windowOf(m[1], 25000);
    ASSERT_TRUE(past.chapters);
    EXPECT_EQ(numbersOf(*past.chapters), (std::vector<qint32>{2, 3}));
    EXPECT_EQ(past.eventValue, 25000);
    EXPECT_EQ(past.minValue, 13000);
    EXPECT_EQ(past.maxValue, 33000);

    // Stamped in the trip's last moment, after the data of its last chapter:
    // the event plays up to where the data ends, and its mark is there.
    const ChapterWindow last = windowOf(m[4], lastSpan + 500);
    ASSERT_TRUE(last.chapters);
    EXPECT_EQ(numbersOf(*last.chapters), (std::vector<qint32>{5}));
    const qint64 end = PictureDataUtil::totalLength(*last.chapters);
    EXPECT_EQ(last.minValue, lastSpan + 500 - 12000);
    EXPECT_EQ(last.maxValue, end);
    EXPECT_EQ(last.eventValue, end);
    // So far beyond that the whole range would lie past the data: empty, at its end.
    const ChapterWindow far = windowOf(m[4], lastSpan + 30000);
    ASSERT_TRUE(far.chapters);
    EXPECT_EQ(far.minValue, end);
    EXPECT_EQ(far.maxValue, end);
    EXPECT_EQ(far.eventValue, end);

    // Surveillance records likewise.
    const ChapterWindow survPast = windowOf(m[4], lastSpan + 100);
    ASSERT_TRUE(survPast.chapters);
    EXPECT_EQ(survPast.minValue, end);
    EXPECT_EQ(survPast.maxValue, end);
    EXPECT_EQ(survPast.eventValue, end);
    const ChapterWindow survEarly = windowOf(m[0], -5000);
    ASSERT_TRUE(survEarly.chapters);
    EXPECT_EQ(numbersOf(*survEarly.chapters), (std::vector<qint32>{1, 2, 3}));
    EXPECT_EQ(survEarly.minValue, 0);
    EXPECT_EQ(survEarly.eventValue, 0);
    EXPECT_EQ(survEarly.maxValue, 55000);

    // Only a record whose chapter is not on the card has no window.
    const ChapterWindow none = windowOf(m[3], 1000);
    EXPECT_FALSE(none.chapters);
    EXPECT_EQ(none.minValue, 0);
    EXPECT_EQ(none.maxValue, 0);
    // An event stamped before its chapter has no picture in it: the thumbnail
    // attempt is counted and nothing is asked of the movie.
    auto& before = const_cast<MoveProtectInfo&>(recordAt(records, m[1], -1));
    EXPECT_FALSE(card->makeProtectThumbnail(before));
    EXPECT_EQ(before.retryCntThumbnail(), 1);
    EXPECT_TRUE(before.pathThumbnail().isEmpty());
}

TEST_F(CardDataWindow, AGapInNumberingEndsTheWalk)
{
    const auto w = write(fiveChapters());
    const auto& m = w.trips[0].chapters;
    ASSERT_TRUE(QFile::remove(m[1].path));
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"), cardgen::buildProtectFile(1, {gEntry(m[2], 2000)}, {}, {}));
    const auto card = load(w.moveDir);
    const ChapterWindow win = card->eventChapterList(*card->moveProtectList()[0]);
    ASSERT_TRUE(win.chapters);
    EXPECT_EQ(numbersOf(*win.chapters), (std::vector<qint32>{3}));
    EXPECT_EQ(win.minValue, 0);
}

TEST_F(CardDataWindow, ASurveillanceWindowRuns60sFromTheDetection)
{
    const auto w = write(fiveChapters());
    const auto& m = w.trips[0].chapters;
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"),
               cardgen::buildProtectFile(1, {}, {survEntry(m[0], 0), survEntry(m[0], 1), survEntry(m[4], 100)}, {}));
    const auto card = load(w.moveDir);
    const MoveProtectList records = card->moveProtectList();
    ASSERT_EQ(records.size(), 3);
    EXPECT_TRUE(card->tripListTab().isEmpty());

    const ChapterWindow atStart = card->surveillanceChapterList(*records[0]);
    ASSERT_TRUE(atStart.chapters);
    EXPECT_EQ(numbersOf(*atStart.chapters), (std::vector<qint32>{1, 2, 3}));
    EXPECT_EQ(atStart.eventValue, 0);
    EXPECT_EQ(atStart.minValue, 0);
    EXPECT_EQ(atStart.maxValue, 60000);

    const ChapterWindow oneIn = card->surveillanceChapterList(*records[1]);
    ASSERT_TRUE(oneIn.chapters);
    EXPECT_EQ(numbersOf(*oneIn.chapters), (std::vector<qint32>{1, 2, 3, 4}));
    EXPECT_EQ(oneIn.minValue, 1);
    EXPECT_EQ(oneIn.maxValue, 60001);

    // In the trip's last chapter: that chapter alone, up to its end.
    const ChapterWindow lastOne = card->protectChapterList(*records[2]);
    ASSERT_TRUE(lastOne.chapters);
    EXPECT_EQ(numbersOf(*lastOne.chapters), (std::vector<qint32>{5}));
    EXPECT_EQ(lastOne.minValue, 100);
    EXPECT_EQ(lastOne.maxValue, qint64(m[4].lastStamp - m[4].firstStamp));
}

TEST_F(CardDataWindow, AnAdventureWindowIsItsWholeRunOfRecords)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(4, 0)};
    o.trips[0].adventureFirstChapter = 1;
    o.trips[0].adventureChapters = 3;
    const auto w = write(o);
    const auto card = load(w.moveDir);
    const AdvMoveProtectList records = card->advMoveProtectList();
    ASSERT_EQ(records.size(), 3);
    ASSERT_EQ(card->advTripList().size(), 1);
    const ChapterList advChapters = card->advTripList()[0]->chapterDataList();
    for (const auto& r : records) {
        const ChapterWindow win = card->advChapterLookup(*r);
        ASSERT_TRUE(win.chapters);
        EXPECT_EQ(numbersOf(*win.chapters), (std::vector<qint32>{2, 3, 4}));
        EXPECT_EQ(win.eventValue, -1);
        EXPECT_EQ(win.minValue, 0);
        EXPECT_EQ(win.maxValue, PictureDataUtil::totalLength(*win.chapters));
    }
}

TEST_F(CardDataWindow, AnAdventureRingOfEveryNumberEndsAtARecordAlreadyVisited)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0)};
    const auto w = write(o);
    const QString key = w.trips[0].key;
    QByteArray file(cardgen::ADV_HEADER, '\0');
    for (int n = 1; n <= 9999; ++n) file.append(advEntry(cardgen::indexName(key, n), START + quint32(n)));
    writeBytes(w.moveDir + QStringLiteral("/ADV_PRCT.DAT"), file);

    const auto card = load(w.moveDir);
    ASSERT_EQ(card->advMoveProtectList().size(), 9999);
    const ChapterWindow win = card->advChapterLookup(*card->advMoveProtectList()[1]);
    ASSERT_TRUE(win.chapters);
    // Every chapter of the ring once; the walk went round back to the start.
    auto numbers = numbersOf(*win.chapters);
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<qint32>{1, 2, 3}));
    // A record whose chapter is missing from the card plays nothing.
    EXPECT_FALSE(card->advChapterLookup(*card->advMoveProtectList()[10]).chapters);
}
