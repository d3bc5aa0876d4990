// Reading generated cards into the catalogue: trips, the Trip tab, the index
// files in both list modes, duplicates, and the chapters' records and lengths.

#include "CatalogFixture.h"

#include "core/recording/PictureData.h"

using namespace catalogtest;

using CardDataRead = CatalogFixture;
using CardDataIndex = CatalogFixture;
using ChapterDataLength = CatalogFixture;
using TripDataLookup = CatalogFixture;
using CatalogDamaged = CatalogFixture;

TEST_F(CardDataRead, AGapInFileNumbersSplitsTheTrip)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(4, 0)};
    const auto w = write(o);
    ASSERT_TRUE(QFile::remove(w.trips[0].chapters[2].path));

    const auto card = load(w.moveDir);
    const TripList trips = card->tripList();
    ASSERT_EQ(trips.size(), 2);
    EXPECT_EQ(numbersOf(trips[0]), (std::vector<qint32>{1, 2}));
    EXPECT_EQ(numbersOf(trips[1]), (std::vector<qint32>{4}));
    EXPECT_EQ(trips[0]->_tripName, w.trips[0].key);
    EXPECT_TRUE(trips[0]->isSort());
    EXPECT_FALSE(trips[1]->isSort()); // one chapter: never needs sorting
    EXPECT_EQ(card->tripListTab().size(), 2);
    EXPECT_EQ(card->openSourcePath(), w.moveDir);
    EXPECT_FALSE(card->isDisposed());
}

TEST_F(CardDataRead, NumbersThatWrapPast9999StartANewTrip)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0)};
    o.firstFileNumber = 9998;
    const auto w = write(o);
    const auto card = load(w.moveDir);
    const TripList trips = card->tripList();
    ASSERT_EQ(trips.size(), 2);
    // Ordered by start: 9998 and 9999 were recorded before 0001.
    EXPECT_EQ(numbersOf(trips[0]), (std::vector<qint32>{9998, 9999}));
    EXPECT_EQ(numbersOf(trips[1]), (std::vector<qint32>{1}));
}

TEST_F(CardDataRead, TripsAreOrderedByStartAndKeysGroupTheirFiles)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 3), tripOf(3, 1), tripOf(1, 2)};
    o.trips[2].folder = QStringLiteral("MOVE002");
    const auto w = write(o);
    const auto card = load(w.moveDir);
    const TripList trips = card->tripList();
    ASSERT_EQ(trips.size(), 3);
    EXPECT_EQ(trips[0]->_tripName, w.trips[1].key);
    EXPECT_EQ(trips[1]->_tripName, w.trips[2].key);
    EXPECT_EQ(trips[2]->_tripName, w.trips[0].key);
    EXPECT_EQ(card->vrecList().size(), 6);
    for (const auto& t : trips)
        for (const auto& c : t->chapterDataList()) {
            ASSERT_TRUE(c->_vmmInfo);
            EXPECT_EQ(c->parent(), t);
            EXPECT_EQ(c->startTime(), c->_vmmInfo->_datetime);
            EXPECT_EQ(c->timeStamp(), c->_vmmInfo->_timeStamp);
        }
    EXPECT_TRUE(CardData::compareTripName(trips[0], trips[2]) != CardData::compareTripName(trips[2], trips[0]));
    EXPECT_FALSE(CardData::compareTripName(trips[0], trips[0]));
}

TEST_F(CardDataRead, OfTwoFilesWithTheSameNameTheFirstInSortedOrderWins)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0)};
    const auto w = write(o);
    const QString original = w.trips[0].chapters[0].path;
    const QString name = QFileInfo(original).fileName();
    ASSERT_TRUE(QDir().mkpath(w.moveDir + QStringLiteral("/MOVE000")));
    ASSERT_TRUE(QDir().mkpath(w.moveDir + QStringLiteral("/MOVE009")));
    ASSERT_TRUE(QFile::copy(original, w.moveDir + QStringLiteral("/MOVE000/") + name));
    ASSERT_TRUE(QFile::copy(original, w.moveDir + QStringLiteral("/MOVE009/") + name));

    for (int i = 0; i < 3; ++i) {
        const auto card = load(w.moveDir);
        ASSERT_EQ(card->tripList().size(), 1);
        const ChapterList chapters = card->tripList()[0]->chapterDataList();
        ASSERT_EQ(chapters.size(), 2);
        EXPECT_TRUE(chapters[0]->_pathMp4.toLocalFile().contains(QStringLiteral("/MOVE000/")));
    }
}

TEST_F(CardDataRead, TheTripTabLeavesOutTripsWithASurveillanceChapter)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0), tripOf(2, 1)};
    o.trips[1].drive.profile = cardgen::SpeedProfile::Parked;
    o.trips[1].drive.incidents = {{cardgen::Incident::Kind::Surveillance, 25000, true}};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 5000, true}};
    const auto w = write(o);
    const auto card = load(w.moveDir);
    ASSERT_EQ(card->tripList().size(), 2);
    ASSERT_EQ(card->tripListTab().size(), 1);
    EXPECT_EQ(card->tripListTab()[0]->_tripName, w.trips[0].key);
    const MoveProtectList records = card->moveProtectList();
    ASSERT_EQ(records.size(), 2);
    int surveillance = 0;
    for (const auto& r : records) {
        ASSERT_TRUE(card->eventChapter(*r)) << r->_fileName.toStdString();
        if (r->_detect == MoveProtectInfo::DetectStatus::SURV) {
            ++surveillance;
            EXPECT_EQ(card->eventChapter(*r)->parent()->_tripName, w.trips[1].key);
        }
    }
    EXPECT_EQ(surveillance, 1);
}

TEST_F(CardDataRead, ASingleMovieGivesOneUnnamedTripAndNoRecords)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0)};
    const auto w = write(o);
    const auto card = load(w.trips[0].chapters[1].path);
    ASSERT_EQ(card->tripList().size(), 1);
    ASSERT_EQ(card->tripListTab().size(), 1);
    EXPECT_TRUE(card->tripList()[0]->_tripName.isEmpty());
    EXPECT_EQ(card->tripList()[0]->chapterCount(), 1);
    EXPECT_TRUE(card->moveProtectList().isEmpty());
    EXPECT_TRUE(card->vrecList().isEmpty());
    EXPECT_TRUE(card->advTripList().isEmpty());
    // Without a record the start comes from the recording itself.
    const auto chapter = card->tripList()[0]->firstChapter();
    EXPECT_FALSE(chapter->_vmmInfo);
    EXPECT_EQ(chapter->timeStamp(), w.trips[0].chapters[1].firstStamp);
    EXPECT_NE(chapter->startTime(), CommonConst::DEFAULT_DATE());
}

TEST_F(CardDataRead, AnIndexFileOpenedUnderALowerCaseNameReadsItsFolder)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0)};
    const auto w = write(o);
    const QString lower = w.moveDir + QStringLiteral("/adv_prct.dat");
    ASSERT_TRUE(QFile::rename(w.moveDir + QStringLiteral("/ADV_PRCT.DAT"), lower));
    const auto card = load(lower);
    ASSERT_EQ(card->tripList().size(), 1);
    EXPECT_EQ(card->tripList()[0]->chapterCount(), 2);
    EXPECT_EQ(card->vrecList().size(), 2);
}

TEST_F(CardDataRead, AnEmptyOrMissingFolderGivesAnEmptyCatalogue)
{
    const auto card = load(dir.path() + QStringLiteral("/nowhere/"));
    EXPECT_TRUE(card->tripList().isEmpty());
    EXPECT_TRUE(card->vrecList().isEmpty());
    EXPECT_FALSE(card->readVrecMoveManager(dir.path()));
}

TEST_F(CardDataRead, ACatalogueIsReadOnce)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0)};
    const auto w = write(o);
    const auto card = load(w.moveDir);
    card->readCardData(w.trips[0].chapters[0].path);
    EXPECT_EQ(card->tripList().size(), 1);
    EXPECT_EQ(card->tripList()[0]->chapterCount(), 2);
}

TEST_F(CardDataIndex, ListMode1EndsAtTheEndMarkerAndListMode0SkipsDeletedSlots)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0)};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 5000, true},
                                  {cardgen::Incident::Kind::GShock, 45000, true}};
    o.vrecListMode = 1; // a stale record after the end marker
    o.prctListMode = 0; // a deleted slot between the two G entries
    const auto w = write(o);
    const auto card = load(w.moveDir);
    EXPECT_EQ(card->vrecList().size(), 3);
    EXPECT_EQ(card->moveProtectList().size(), 2);

    // Mode 0 over the recording manager: the slot after the end marker counts.
    QFile f(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    bytes[0] = 0;
    f.seek(0);
    f.write(bytes);
    f.close();
    const auto mode0 = load(w.moveDir);
    ASSERT_EQ(mode0->vrecList().size(), 4);
    // The stale record names the first chapter again; the later record wins.
    const auto first = mode0->tripList()[0]->firstChapter();
    EXPECT_EQ(first->_vmmInfo, mode0->vrecList()[3]);

    bytes[0] = 2; // no records to read
    writeBytes(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT"), bytes);
    auto none = CardData::create();
    EXPECT_TRUE(none->readVrecMoveManager(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT")));
    EXPECT_TRUE(none->vrecList().isEmpty());
}

TEST_F(CardDataIndex, NoSlotIsReadPastTheEndOfAFileCutShort)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0)};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 5000, true},
                                  {cardgen::Incident::Kind::GShock, 25000, true}};
    o.vrecListMode = 0;
    o.staleRecords = false;
    const auto w = write(o);
    const QString vrec = w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT");
    const QString prct = w.moveDir + QStringLiteral("/MOV_PRCT.DAT");
    QFile::resize(vrec, cardgen::VREC_HEADER + 2 * cardgen::VREC_ENTRY + 40);
    QFile::resize(prct, cardgen::PRCT_G_START + cardgen::PRCT_ENTRY + 100);
    const auto card = load(w.moveDir);
    EXPECT_EQ(card->vrecList().size(), 2);
    EXPECT_EQ(card->moveProtectList().size(), 1);
    // The third chapter has no record and falls back to its recording.
    const ChapterList chapters = card->tripList()[0]->chapterDataList();
    ASSERT_EQ(chapters.size(), 3);
    EXPECT_FALSE(chapters[2]->_vmmInfo);
    EXPECT_EQ(chapters[2]->timeStamp(), w.trips[0].chapters[2].firstStamp);

    // Nor past the first 32 MiB of a file grown beyond any recorder's.
    const qint64 limit = 32 * 1024 * 1024;
    const qint64 slot = cardgen::VREC_HEADER +
                        ((limit - cardgen::VREC_HEADER) / cardgen::VREC_ENTRY + 1) * cardgen::VREC_ENTRY;
    {
        QFile f(vrec);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(cardgen::buildVrecFile(0, {vrecEntry(w.trips[0].chapters[0])}, {}, 1));
        ASSERT_TRUE(f.resize(slot)); // zeros up to the slot: no record
        ASSERT_TRUE(f.seek(slot));
        f.write(vrecEntry(w.trips[0].chapters[1]));
    }
    const auto grown = CardData::create();
    EXPECT_TRUE(grown->readVrecMoveManager(vrec));
    EXPECT_EQ(grown->vrecList().size(), 1);
    EXPECT_EQ(grown->indexBytesRead(), limit);
}

TEST_F(CardDataIndex, EveryWholeAdventureSlotIsReadIncludingTheLast)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0)};
    const auto w = write(o);
    QByteArray file(cardgen::ADV_HEADER, '\0');
    for (const auto& m : w.trips[0].chapters) file.append(advEntry(m.indexName, m.startTime));
    file.append(advEntry(w.trips[0].chapters[0].indexName, START)); // same name: dropped
    file.append(QByteArray(100, '\x25'));                            // a partial slot: not read
    writeBytes(w.moveDir + QStringLiteral("/ADV_PRCT.DAT"), file);

    const auto card = load(w.moveDir);
    EXPECT_EQ(card->advMoveProtectList().size(), 3);
    ASSERT_EQ(card->advTripList().size(), 1);
    EXPECT_EQ(numbersOf(card->advTripList()[0]), (std::vector<qint32>{1, 2, 3}));
    // The adventure trip has chapters of its own for the same files.
    EXPECT_NE(card->advTripList()[0]->firstChapter(), card->tripList()[0]->firstChapter());
    for (const auto& c : card->advTripList()[0]->chapterDataList()) EXPECT_TRUE(c->_advInfo);
}

TEST_F(ChapterDataLength, ALengthIsTheDistanceToTheNextNumberedChapter)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(4, 0)};
    const auto w = write(o);
    const auto card = load(w.moveDir);
    const ChapterList chapters = card->tripList()[0]->chapterDataList();
    ASSERT_EQ(chapters.size(), 4);
    EXPECT_EQ(chapters[0]->timeSpan(), 20000);
    EXPECT_EQ(chapters[0]->previousChapter(), nullptr);
    EXPECT_EQ(chapters[0]->nextChapter(), chapters[1]);
    EXPECT_EQ(chapters[3]->previousChapter(), chapters[2]);
    EXPECT_EQ(chapters[3]->nextChapter(), nullptr);
    // The last chapter has no next one: its recording's own length.
    const auto& last = w.trips[0].chapters[3];
    EXPECT_EQ(chapters[3]->timeSpan(), qint64(last.lastStamp - last.firstStamp));
    EXPECT_TRUE(chapters[3]->hasPicture());
    EXPECT_FALSE(chapters[0]->hasPicture());
}

TEST_F(ChapterDataLength, ANextChapterStampedEarlierFallsBackToTheRecording)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0)};
    o.managementFiles = true;
    const auto w = write(o);
    const auto& m = w.trips[0].chapters;
    // The recorder's clock went back between chapters 2 and 3.
    writeBytes(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT"),
               cardgen::buildVrecFile(1, {vrecEntry(m[0]), vrecEntry(m[1]), vrecEntry(m[2], 100)}, {}));
    const auto card = load(w.moveDir);
    const ChapterList chapters = card->tripList()[0]->chapterDataList();
    ASSERT_EQ(chapters.size(), 3);
    EXPECT_EQ(chapters[0]->timeSpan(), 20000);
    EXPECT_EQ(chapters[1]->timeSpan(), qint64(m[1].lastStamp - m[1].firstStamp));
    EXPECT_GE(chapters[1]->timeSpan(), 0);
}

TEST_F(ChapterDataLength, NumberingAndMissingRecordsDecideWhereTheLengthComesFrom)
{
    EXPECT_TRUE(ChapterData::followsFrom(9999, 1));
    EXPECT_TRUE(ChapterData::followsFrom(4, 5));
    EXPECT_FALSE(ChapterData::followsFrom(5, 7));
    EXPECT_FALSE(ChapterData::followsFrom(9999, 2));
    EXPECT_EQ(CardData::compareFileNumber(QStringLiteral("/a/abc.MP4"), QStringLiteral("/a/x0001.MP4")), true);

    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0)};
    const auto w = write(o);
    const auto& m = w.trips[0].chapters;
    // The second chapter has no record: the first one's length is its own.
    writeBytes(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT"),
               cardgen::buildVrecFile(1, {vrecEntry(m[0]), vrecEntry(m[2])}, {}));
    const auto card = load(w.moveDir);
    const ChapterList chapters = card->tripList()[0]->chapterDataList();
    ASSERT_EQ(chapters.size(), 3);
    EXPECT_EQ(chapters[0]->timeSpan(), qint64(m[0].lastStamp - m[0].firstStamp));
    EXPECT_EQ(chapters[1]->timeSpan(), qint64(m[2].firstStamp - m[1].firstStamp));
}

TEST_F(TripDataLookup, ARecordFindsOnlyTheChapterOfItsKeyAndNumber)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(2, 0), tripOf(2, 1)};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 25000, true}};
    const auto w = write(o);
    const auto card = load(w.moveDir);
    const auto record = card->moveProtectList().value(0);
    ASSERT_TRUE(record);
    const TripList trips = card->tripList();
    EXPECT_EQ(trips[0]->isProtected(*record), trips[0]->chapterDataList()[1]);
    EXPECT_EQ(trips[1]->isProtected(*record), nullptr);
    EXPECT_EQ(card->eventChapter(*record), trips[0]->chapterDataList()[1]);

    MoveProtectInfo other(QByteArray(512, '\0'), MoveProtectInfo::DetectStatus::G);
    other._fileName = w.trips[0].key + QStringLiteral("0007");
    EXPECT_EQ(trips[0]->isProtected(other), nullptr);
    EXPECT_EQ(card->eventChapter(other), nullptr);
    EXPECT_FALSE(card->eventChapterList(other).chapters);
}

TEST_F(CatalogDamaged, AMovieCutShortAndGarbageIndexFilesStillLoadWhatIsReadable)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(3, 0), tripOf(2, 1)};
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 5000, true}};
    const auto w = write(o);
    const QString cut = w.trips[0].chapters[1].path;
    QFile::resize(cut, QFileInfo(cut).size() / 3);
    QByteArray garbage(4000, '\0');
    for (int i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 7919 + 13) & 0xFF);
    writeBytes(w.moveDir + QStringLiteral("/VREC_MOV_MNG.DAT"), garbage);
    writeBytes(w.moveDir + QStringLiteral("/MOV_PRCT.DAT"), garbage.left(1000));
    writeBytes(w.moveDir + QStringLiteral("/ADV_PRCT.DAT"), garbage);

    const auto card = load(w.moveDir);
    const TripList trips = card->tripList();
    ASSERT_EQ(trips.size(), 2);
    EXPECT_EQ(trips[0]->chapterCount() + trips[1]->chapterCount(), 5);
    for (const auto& t : trips)
        for (const auto& c : t->chapterDataList()) {
            const qint64 span = c->timeSpan();
            EXPECT_GE(span, 0);
        }
    // The readable chapters still have their pictures and starts; the cut one
    // (no start known) sorts first in its trip.
    const ChapterList first = trips[0]->chapterDataList();
    ASSERT_EQ(numbersOf(first), (std::vector<qint32>{2, 1, 3}));
    EXPECT_EQ(first[0]->startTime(), CommonConst::DEFAULT_DATE());
    EXPECT_FALSE(first[0]->loadPicture(true)->video);
    EXPECT_EQ(first[1]->timeStamp(), w.trips[0].chapters[0].firstStamp);
    EXPECT_TRUE(first[1]->loadPicture(true)->video);
}

TEST_F(CardDataRead, ADroppedCatalogueLeavesNoChapterOrRecordBehind)
{
    cardgen::CardOptions o;
    o.trips = {tripOf(4, 0)};
    o.trips[0].adventureFirstChapter = 1;
    o.trips[0].adventureChapters = 2;
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 25000, true}};
    const auto w = write(o);
    std::weak_ptr<ChapterData> chapter, advChapter;
    std::weak_ptr<AdvMoveProtectInfo> advRecord;
    std::weak_ptr<MoveProtectInfo> event;
    std::weak_ptr<CardData> catalogue;
    {
        auto card = load(w.moveDir);
        catalogue = card;
        ASSERT_EQ(card->advMoveProtectList().size(), 2);
        advRecord = card->advMoveProtectList()[0];
        event = card->moveProtectList()[0];
        ASSERT_TRUE(card->advChapterLookup(*card->advMoveProtectList()[0]).chapters);
        chapter = card->tripList()[0]->chapterDataList()[1];
        advChapter = card->advTripList()[0]->firstChapter();
        ASSERT_TRUE(chapter.lock()->_advInfo);
    }
    EXPECT_TRUE(catalogue.expired());
    EXPECT_TRUE(chapter.expired());
    EXPECT_TRUE(advChapter.expired());
    EXPECT_TRUE(advRecord.expired());
    EXPECT_TRUE(event.expired());
}
