#include "core/foundation/CommonConst.h"
#include "core/recording/AdvMoveProtectInfo.h"
#include "core/recording/MoveProtectInfo.h"
#include "core/recording/VrecMoveManagerInfo.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

void put(QByteArray& d, qsizetype offset, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        d[offset++] = static_cast<char>(b);
}

void putName(QByteArray& d, const char* name)
{
    const QByteArray n(name);
    for (qsizetype i = 0; i < 16; ++i)
        d[64 + i] = i < n.size() ? n[i] : ' ';
}

// One entry with every shared field set to a recognisable value.
QByteArray entry(int kind, qsizetype length, const char* name = "2026120708150042")
{
    QByteArray d(512, '\0');
    d[0] = static_cast<char>(kind);
    put(d, 2, {0x65, 0x4B, 0x2B, 0x00}); // 1699426048 s
    put(d, 6, {0x80, 0x00, 0x01});       // west 1
    put(d, 9, {0x12, 0x34, 0x56});       // north 0x123456
    put(d, 12, {0x04, 0xD2});            // 123.4 km/h
    put(d, 16, {0xFF, 0xF0});            // -0.002 g
    put(d, 18, {0x1F, 0x40});            // 1.0 g
    put(d, 20, {0x3E, 0x80});            // 2000 -> 1.0 g after gravity
    put(d, 30, {0xAB, 0xCD, 0x02});
    put(d, 36, {0x00, 0x01, 0x00, 0x00});
    put(d, 40, {0x00, 0x00, 0x13, 0x88}); // 5000 ms
    d[44] = static_cast<char>(0x55);
    put(d, 56, {0xFF, 0xFF, 0xFF, 0xFF});
    putName(d, name);
    d.truncate(length);
    return d;
}

} // namespace

// ---- VREC_MOV_MNG.DAT entries ----------------------------------------------

TEST(VrecMoveManagerInfo, DecodesEveryFieldOfANormalEntry)
{
    const VrecMoveManagerInfo r(entry(0x17, 80));
    EXPECT_TRUE(r._infoEnable);
    EXPECT_FALSE(r._readStopFlag);
    EXPECT_EQ(r._detectType, 17);
    EXPECT_EQ(r._datetime.toSecsSinceEpoch(), 0x654B2B00);
    EXPECT_EQ(r._posWest, 1);
    EXPECT_EQ(r._longitude, -1);
    EXPECT_EQ(r._posSouth, 0);
    EXPECT_EQ(r._latitude, 0x123456);
    EXPECT_DOUBLE_EQ(r._speed, 123.0); // tenths dropped here
    EXPECT_DOUBLE_EQ(r._gX, -0.002);
    EXPECT_DOUBLE_EQ(r._gY, 1.0);
    EXPECT_DOUBLE_EQ(r._gZ, 1.0);
    EXPECT_EQ(r._sw, 0xAB);
    EXPECT_EQ(r._status, 0xCD);
    EXPECT_EQ(r._timeStamp, 5000u);
    EXPECT_EQ(r._fileName, QStringLiteral("2026120708150042"));
}

TEST(VrecMoveManagerInfo, EndMarkerSetsOnlyTheStopFlag)
{
    const VrecMoveManagerInfo r(entry(0xFF, 80));
    EXPECT_TRUE(r._readStopFlag);
    EXPECT_FALSE(r._infoEnable);
    EXPECT_EQ(r._detectType, 0);
    EXPECT_EQ(r._datetime, CommonConst::DEFAULT_DATE());
    EXPECT_TRUE(r._fileName.isEmpty());
}

TEST(VrecMoveManagerInfo, KindsOfTheOtherIndexFilesAreNotValid)
{
    for (int kind : {0x10, 0x12, 0x20, 0x25, 0x00}) {
        const VrecMoveManagerInfo r(entry(kind, 80));
        EXPECT_FALSE(r._infoEnable) << kind;
        EXPECT_FALSE(r._readStopFlag) << kind;
    }
}

TEST(VrecMoveManagerInfo, PositionEdgeValues)
{
    QByteArray d = entry(0x17, 80);
    put(d, 6, {0x7F, 0xFF, 0xFF});
    put(d, 9, {0x80, 0x00, 0x05});
    const VrecMoveManagerInfo a(d);
    EXPECT_EQ(a._longitude, 8388607);
    EXPECT_EQ(a._posWest, 0);
    EXPECT_EQ(a._latitude, -5);
    EXPECT_EQ(a._posSouth, 1);

    put(d, 6, {0xFF, 0xFF, 0xFF}); // no position: latitude is ignored too
    const VrecMoveManagerInfo b(d);
    EXPECT_EQ(b._longitude, 0);
    EXPECT_EQ(b._latitude, 0);
    EXPECT_EQ(b._posWest, 0);
    EXPECT_EQ(b._posSouth, 0);
}

TEST(VrecMoveManagerInfo, SpeedDropsTenthsAndGravityIsRemovedFromZ)
{
    QByteArray d = entry(0x17, 80);
    put(d, 12, {0x00, 0x09});
    put(d, 20, {0x1F, 0x40});
    const VrecMoveManagerInfo r(d);
    EXPECT_DOUBLE_EQ(r._speed, 0.0);
    EXPECT_DOUBLE_EQ(r._gZ, 0.0);
}

TEST(VrecMoveManagerInfo, NamesThatAreNotMovieNamesAreNotValid)
{
    EXPECT_FALSE(VrecMoveManagerInfo(entry(0x17, 80, "                "))._infoEnable);
    EXPECT_FALSE(VrecMoveManagerInfo(entry(0x17, 80, "2026120708150000"))._infoEnable);
    EXPECT_TRUE(VrecMoveManagerInfo(entry(0x17, 80, "202612070815_0042.MP4"))._infoEnable == false);
    EXPECT_TRUE(VrecMoveManagerInfo(entry(0x17, 80, "20261207_0042.MP4"))._infoEnable == false);
    QByteArray d = entry(0x17, 80);
    d[70] = static_cast<char>(0xC3); // not ASCII
    const VrecMoveManagerInfo r(d);
    EXPECT_FALSE(r._infoEnable);
    EXPECT_TRUE(r._fileName.isEmpty());
}

TEST(VrecMoveManagerInfo, ShortEntriesAreInvalidAndNeverReadPastTheirEnd)
{
    const QByteArray full = entry(0x17, 80);
    for (qsizetype n = 0; n < 80; ++n) {
        // A heap copy of exactly n bytes, so a read past it trips the sanitizer.
        const QByteArray cut = full.left(n);
        const VrecMoveManagerInfo r(QByteArrayView(cut.constData(), n));
        EXPECT_FALSE(r._infoEnable) << n;
        EXPECT_TRUE(r._fileName.isEmpty()) << n;
    }
    EXPECT_FALSE(VrecMoveManagerInfo(entry(0x17, 1))._infoEnable);
    EXPECT_TRUE(VrecMoveManagerInfo(QByteArray(1, char(0xFF)))._readStopFlag);
}

TEST(VrecMoveManagerInfo, FileListModes)
{
    auto file = [](int mode, std::initializer_list<QByteArray> records) {
        QByteArray f(64, '\0');
        f[0] = static_cast<char>(mode);
        for (const QByteArray& r : records)
            f += r;
        return f;
    };
    const QByteArray a = entry(0x17, 80, "2026120708150001");
    const QByteArray b = entry(0x17, 80, "2026120708150002");
    const QByteArray c = entry(0x17, 80, "2026120708150003");
    const QByteArray stop = entry(0xFF, 80);
    const QByteArray junk = entry(0x10, 80);

    EXPECT_EQ(VrecMoveManagerInfo::readAll(file(1, {a, b, c, stop, a})).size(), 3u);
    const auto mode0 = VrecMoveManagerInfo::readAll(file(0, {a, stop, junk, b}));
    ASSERT_EQ(mode0.size(), 2u);
    EXPECT_EQ(mode0[1]->_fileName, QStringLiteral("2026120708150002"));
    EXPECT_TRUE(VrecMoveManagerInfo::readAll(file(2, {a, b})).empty());

    // A trailing part of a record is not a record.
    QByteArray cut = file(0, {a, b});
    cut.chop(1);
    EXPECT_EQ(VrecMoveManagerInfo::readAll(cut).size(), 1u);
    EXPECT_TRUE(VrecMoveManagerInfo::readAll(QByteArray(10, '\0')).empty());
    EXPECT_TRUE(VrecMoveManagerInfo::readAll(QByteArray()).empty());
}

// ---- MOV_PRCT.DAT entries ----------------------------------------------------

TEST(MoveProtectInfo, DecodesTheProtectedFields)
{
    QByteArray d = entry(0x10, 512);
    put(d, 80, {0x03, 0x01});
    const MoveProtectInfo r(d, MoveProtectInfo::DetectStatus::G);
    EXPECT_TRUE(r._isInfoEnable);
    EXPECT_EQ(r._detectType, 10);
    EXPECT_DOUBLE_EQ(r._speed, 123.4); // tenths kept here
    EXPECT_EQ(r._pictureChannel, 2);
    EXPECT_EQ(r._frameSize, 0x10000u);
    EXPECT_EQ(r._timeStamp, 5000u);
    EXPECT_EQ(r._id, 0x55);
    EXPECT_EQ(r._timeStamp2, 0xFFFFFFFFu);
    EXPECT_EQ(r._protectType, 3);
    EXPECT_EQ(r._survRecValidData, 1);
    EXPECT_EQ(r._detect, MoveProtectInfo::DetectStatus::G);
    EXPECT_EQ(r.eventChapter(), nullptr);
    EXPECT_EQ(r.retryCntThumbnail(), 0);
    EXPECT_TRUE(r.pathThumbnail().isEmpty());
}

TEST(MoveProtectInfo, AcceptedKindsAndSurveillanceValidity)
{
    for (int kind : {0x10, 0x12, 0x17, 0x20}) {
        QByteArray d = entry(kind, 512);
        d[81] = 1;
        EXPECT_TRUE(MoveProtectInfo(d, MoveProtectInfo::DetectStatus::SURV)._isInfoEnable) << kind;
    }
    for (int kind : {0x11, 0x25})
        EXPECT_FALSE(MoveProtectInfo(entry(kind, 512), MoveProtectInfo::DetectStatus::G)._isInfoEnable);

    const QByteArray unfinished = entry(0x10, 512); // byte 81 is 0
    EXPECT_FALSE(MoveProtectInfo(unfinished, MoveProtectInfo::DetectStatus::SURV)._isInfoEnable);
    EXPECT_TRUE(MoveProtectInfo(unfinished, MoveProtectInfo::DetectStatus::G)._isInfoEnable);
    EXPECT_TRUE(MoveProtectInfo(unfinished, MoveProtectInfo::DetectStatus::SW)._isInfoEnable);

    const MoveProtectInfo stop(entry(0xFF, 512), MoveProtectInfo::DetectStatus::G);
    EXPECT_TRUE(stop._isReadStopFlag);
    EXPECT_FALSE(stop._isInfoEnable);
}

TEST(MoveProtectInfo, EntriesShorterThanTheParsedBytesAreInvalid)
{
    const QByteArray full = entry(0x20, 82);
    for (qsizetype n = 0; n < 82; ++n) {
        const QByteArray cut = full.left(n);
        EXPECT_FALSE(MoveProtectInfo(QByteArrayView(cut.constData(), n), MoveProtectInfo::DetectStatus::SW)
                         ._isInfoEnable)
            << n;
    }
    EXPECT_TRUE(MoveProtectInfo(full, MoveProtectInfo::DetectStatus::SW)._isInfoEnable);
}

namespace {

QByteArray protectFile(int mode)
{
    QByteArray f(0x3400, '\0');
    f[0] = static_cast<char>(mode);
    return f;
}

void putSlot(QByteArray& f, qsizetype offset, const QByteArray& e)
{
    f.replace(offset, e.size(), e);
}

} // namespace

TEST(MoveProtectInfo, RegionsAndListModes)
{
    using DS = MoveProtectInfo::DetectStatus;
    QByteArray e = entry(0x10, 512);
    e[81] = 1;
    const QByteArray stop = entry(0xFF, 512);

    QByteArray f = protectFile(1);
    putSlot(f, 0x200, e);
    putSlot(f, 0x400, e);
    putSlot(f, 0x600, stop);
    putSlot(f, 0x800, e);
    putSlot(f, 0x1400, e); // tenth G slot
    putSlot(f, 0x1600, e); // first SURV slot
    for (int i = 0; i < 5; ++i)
        putSlot(f, 0x2A00 + 512 * i, e);
    EXPECT_EQ(MoveProtectInfo::readRegion(f, DS::G).size(), 2u);
    EXPECT_EQ(MoveProtectInfo::readRegion(f, DS::SURV).size(), 1u);
    EXPECT_EQ(MoveProtectInfo::readRegion(f, DS::SW).size(), 5u);
    EXPECT_TRUE(MoveProtectInfo::readRegion(f, DS::NON).empty());

    f[0] = 0; // read every slot, skipping the marker
    EXPECT_EQ(MoveProtectInfo::readRegion(f, DS::G).size(), 4u);
    f[0] = 2;
    EXPECT_TRUE(MoveProtectInfo::readRegion(f, DS::G).empty());
}

TEST(MoveProtectInfo, AFileEndingInsideARegionEndsItsList)
{
    QByteArray e = entry(0x12, 512);
    QByteArray f = protectFile(0);
    putSlot(f, 0x200, e);
    putSlot(f, 0x400, e);
    f.truncate(0x400 + 511);
    EXPECT_EQ(MoveProtectInfo::readRegion(f, MoveProtectInfo::DetectStatus::G).size(), 1u);
    EXPECT_TRUE(MoveProtectInfo::readRegion(f, MoveProtectInfo::DetectStatus::SW).empty());
    EXPECT_TRUE(MoveProtectInfo::readRegion(f.left(100), MoveProtectInfo::DetectStatus::G).empty());
}

TEST(MoveProtectInfo, WorkingStateIsKeptPerEntry)
{
    MoveProtectInfo r(entry(0x10, 512), MoveProtectInfo::DetectStatus::G);
    r.setPathThumbnail(QStringLiteral("/tmp/x.png"));
    EXPECT_EQ(r.addRetryCntThumbnail(), 1);
    EXPECT_EQ(r.addRetryCntThumbnail(), 2);
    EXPECT_EQ(r.pathThumbnail(), QStringLiteral("/tmp/x.png"));
    EXPECT_EQ(r.retryCntThumbnail(), 2);
}

// ---- ADV_PRCT.DAT entries ----------------------------------------------------

TEST(AdvMoveProtectInfo, DecodesStartAndEndOfAnAdventure)
{
    QByteArray d = entry(0x25, 512);
    put(d, 12, {0x00, 0x0F});
    d[80] = 7;
    put(d, 81, {0x00, 0x00, 0x00, 0x3C});
    const AdvMoveProtectInfo r(d);
    EXPECT_TRUE(r._infoEnable);
    EXPECT_EQ(r._detectType, 25);
    EXPECT_DOUBLE_EQ(r._speed, 1.5);
    EXPECT_EQ(r.advModeStartFlg, 7);
    EXPECT_EQ(r._endDatetime, QDateTime(QDate(1970, 1, 1), QTime(0, 1), QTimeZone::utc()));
    EXPECT_EQ(r.chapterNo(), 42);
}

TEST(AdvMoveProtectInfo, EndMarkerAndOtherKindsAreInvalidAndNeverStopAList)
{
    const AdvMoveProtectInfo stop(entry(0xFF, 512));
    EXPECT_FALSE(stop._infoEnable);
    EXPECT_FALSE(stop._readStopFlag);
    for (int kind : {0x10, 0x12, 0x17, 0x20})
        EXPECT_FALSE(AdvMoveProtectInfo(entry(kind, 512))._infoEnable) << kind;
}

TEST(AdvMoveProtectInfo, EntriesShorterThanTheParsedBytesAreInvalid)
{
    const QByteArray full = entry(0x25, 85);
    for (qsizetype n = 0; n < 85; ++n) {
        const QByteArray cut = full.left(n);
        EXPECT_FALSE(AdvMoveProtectInfo(QByteArrayView(cut.constData(), n))._infoEnable) << n;
    }
    EXPECT_TRUE(AdvMoveProtectInfo(full)._infoEnable);
}

TEST(AdvMoveProtectInfo, ChapterNumberOfTheName)
{
    QByteArray d = entry(0x25, 512, "20261207081500AB");
    EXPECT_EQ(AdvMoveProtectInfo(d).chapterNo(), 0);
    EXPECT_EQ(AdvMoveProtectInfo(entry(0x25, 512, "2026120708150042")).chapterNo(), 42);
    EXPECT_EQ(AdvMoveProtectInfo(entry(0x25, 512, "a/b/x0007.MP4")).chapterNo(), 7);
    EXPECT_EQ(AdvMoveProtectInfo(entry(0x25, 512, "x12")).chapterNo(), 0);
    EXPECT_EQ(AdvMoveProtectInfo(entry(0xFF, 512)).chapterNo(), 0);
}

TEST(AdvMoveProtectInfo, FileDropsRepeatedNamesAndReadsOnlyWholeSlots)
{
    QByteArray f(512, '\0');
    f += entry(0x25, 512, "2026120708150001");
    f += entry(0x10, 512, "2026120708150003"); // wrong kind
    f += entry(0x25, 512, "2026120708150001"); // same name again
    f += entry(0x25, 512, "2026120708150002");
    const auto all = AdvMoveProtectInfo::readAll(f);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->chapterNo(), 1);
    EXPECT_EQ(all[1]->chapterNo(), 2);

    f.chop(1);
    EXPECT_EQ(AdvMoveProtectInfo::readAll(f).size(), 1u);
    EXPECT_TRUE(AdvMoveProtectInfo::readAll(f.left(600)).empty());
}

TEST(IndexRecords, RandomBytesNeverCrashAnyParser)
{
    QRandomGenerator rng(20261207);
    for (int round = 0; round < 2000; ++round) {
        const int n = static_cast<int>(rng.bounded(600));
        QByteArray d(n, '\0');
        for (int i = 0; i < n; ++i)
            d[i] = static_cast<char>(rng.bounded(256));
        if (n > 0 && round % 3 == 0) d[0] = static_cast<char>(0x17);
        if (n > 0 && round % 3 == 1) d[0] = static_cast<char>(0x25);
        VrecMoveManagerInfo a(d);
        MoveProtectInfo b(d, MoveProtectInfo::DetectStatus::SURV);
        AdvMoveProtectInfo c(d);
        (void)a;
        (void)b;
        (void)c.chapterNo();
        (void)VrecMoveManagerInfo::readAll(d);
        (void)MoveProtectInfo::readRegion(d, MoveProtectInfo::DetectStatus::G);
        (void)AdvMoveProtectInfo::readAll(d);
    }
}
