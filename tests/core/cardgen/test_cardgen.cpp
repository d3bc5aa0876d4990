// The synthetic-card generator checked against the recorder's byte layouts.
// Expectations are computed here from the layouts, not from the generator.

#include "CardGen.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace cardgen;

namespace {

quint32 be32(const QByteArray& b, qsizetype o)
{
    return (quint32(quint8(b[o])) << 24) | (quint32(quint8(b[o + 1])) << 16) |
           (quint32(quint8(b[o + 2])) << 8) | quint32(quint8(b[o + 3]));
}
quint32 be24(const QByteArray& b, qsizetype o)
{
    return (quint32(quint8(b[o])) << 16) | (quint32(quint8(b[o + 1])) << 8) | quint32(quint8(b[o + 2]));
}
quint16 be16(const QByteArray& b, qsizetype o)
{
    return quint16((quint8(b[o]) << 8) | quint8(b[o + 1]));
}
quint8 at(const QByteArray& b, qsizetype o)
{
    return quint8(b[o]);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The G value a reader takes from a 2-byte field: the upper 12 bits as a
// two's-complement number, times 2.
int gValue(quint16 field)
{
    int v12 = field >> 4;
    if (v12 >= 2048) v12 -= 4096;
    return v12 * 2;
}

struct Box {
    QByteArray type;
    quint64 offset = 0, size = 0;
    int head = 8;
};

std::vector<Box> topLevelBoxes(const QByteArray& file)
{
    std::vector<Box> boxes;
    quint64 p = 0;
    while (p + 8 <= quint64(file.size())) {
        Box b;
        b.offset = p;
        b.type = file.mid(qsizetype(p) + 4, 4);
        b.size = be32(file, qsizetype(p));
        if (b.size == 1) {
            b.size = (quint64(be32(file, qsizetype(p) + 8)) << 32) | be32(file, qsizetype(p) + 12);
            b.head = 16;
        } else if (b.size == 0) {
            b.size = quint64(file.size()) - p;
        }
        boxes.push_back(b);
        if (b.size < 8) break;
        p += b.size;
    }
    return boxes;
}

struct Udat {
    quint32 count = 0;
    std::vector<std::pair<quint32, quint32>> entries; // in table order
};

Udat readUdat(const QByteArray& file, const Box& box)
{
    Udat u;
    const qsizetype p = qsizetype(box.offset) + box.head;
    u.count = be32(file, p + 4);
    for (quint32 i = 0; i < u.count; ++i)
        u.entries.emplace_back(be32(file, p + 8 + 8 * i), be32(file, p + 12 + 8 * i));
    return u;
}

MovieOptions quickMovie(int seconds)
{
    MovieOptions o;
    o.durationSeconds = seconds;
    o.format.realVideo = false;
    return o;
}

class CardGenTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

} // namespace

// ---------------------------------------------------------------------------

TEST(CardGenFields, SettingsRecordsCarryTheXorCheckByte)
{
    const Record8 fileInfo = fileInfoRecord();
    EXPECT_EQ(fileInfo, (Record8{0x00, 0x01, 0x07, 0x14, 0xFF, 0xFF, 0xFF, 0xED}));
    EXPECT_EQ(settingsRecord(0x03, 0x01, {0x05}), (Record8{0x03, 0x01, 0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0x07}));
    EXPECT_EQ(settingsRecord(0x01, 0x21, {}), (Record8{0x01, 0x21, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xDF}));
    const Record8 q = qualityModeRecord(0x02);
    quint8 x = 0;
    for (int i = 0; i < 7; ++i)
        x ^= q[size_t(i)];
    EXPECT_EQ(q[7], x);
    EXPECT_EQ(q[0], 0x10);
    EXPECT_EQ(q[1], 0x03);
    EXPECT_EQ(q[2], 0x02);
    EXPECT_THROW(settingsRecord(0x01, 0x01, {1, 2, 3, 4, 5, 6}), std::invalid_argument);
}

TEST(CardGenFields, BcdBytesHoldTwoDecimalDigits)
{
    EXPECT_EQ(bcd(0), 0x00);
    EXPECT_EQ(bcd(17), 0x17);
    EXPECT_EQ(bcd(99), 0x99);
    EXPECT_EQ(bcd(123), 0x23);
}

TEST(CardGenFields, GFieldsDecodeToTheMilliGValue)
{
    EXPECT_EQ(gField(1000), 0x1F40);
    EXPECT_EQ(gField(2000), 0x3E80);
    EXPECT_EQ(gField(-2), 0xFFF0);
    EXPECT_EQ(gField(-4096), 0x8000);
    EXPECT_EQ(gField(4094), 0x7FF0);
    // Beyond the 12-bit range the field saturates instead of wrapping.
    EXPECT_EQ(gValue(gField(9000)), 4094);
    EXPECT_EQ(gValue(gField(-9000)), -4096);
    for (int milli = -4096; milli <= 4094; milli += 2)
        ASSERT_EQ(gValue(gField(milli)), milli);
}

TEST(CardGenFields, PositionsSetBit23ForWestAndSouth)
{
    EXPECT_EQ(positionField(0), 0u);
    EXPECT_EQ(positionField(-1), 0x800001u);
    EXPECT_EQ(positionField(8388607), 0x7FFFFFu);
    EXPECT_EQ(positionField(-1219277), 0x800000u | 1219277u);
}

TEST(CardGenFields, FrameRecordPutsEveryFieldAtItsOffset)
{
    FrameSample s;
    s.kind = 0x17;
    s.unixTime = 0x69B5D394;
    s.longitude = 5443535;
    s.latitude = -1219277;
    s.speedTenths = 1234;
    s.engineRpm = 2100;
    s.gxMilli = -300;
    s.gyMilli = 120;
    s.gzMilli = 1000;
    s.status = 0x21;
    s.sw = 0x01;
    s.gpsValid = true;
    s.gps2 = false;
    s.powerDown = true;
    s.channel = 1;
    s.frameSize = 4096;
    s.stamp = 123456;
    s.id = 0x55;
    s.eventCode = 0x14;
    s.eventQualifier = 0x00;
    s.stamp2 = 777;
    const QByteArray r = encodeFrameRecord(s, 0xCAFEBABE);
    ASSERT_EQ(r.size(), 64);
    EXPECT_EQ(at(r, 0), 0x17);
    EXPECT_EQ(be32(r, 2), 0x69B5D394u);
    EXPECT_EQ(be24(r, 6), 5443535u);
    EXPECT_EQ(be24(r, 9), 0x800000u + 1219277u);
    EXPECT_EQ(be16(r, 12), 1234);
    EXPECT_EQ(be16(r, 14), 2100);
    EXPECT_EQ(gValue(be16(r, 16)), -300);
    EXPECT_EQ(gValue(be16(r, 18)), 120);
    EXPECT_EQ(gValue(be16(r, 20)), 1000);
    EXPECT_EQ(at(r, 29), 0x21);
    EXPECT_EQ(at(r, 30), 0x01);
    EXPECT_EQ(at(r, 31), 0x05); // GPS valid + power down, second flag clear
    EXPECT_EQ(at(r, 32), 1);
    EXPECT_EQ(be32(r, 36), 4096u);
    EXPECT_EQ(be32(r, 40), 123456u);
    EXPECT_EQ(at(r, 44), 0x55);
    EXPECT_EQ(at(r, 45), 0x14);
    EXPECT_EQ(at(r, 46), 0x00);
    EXPECT_EQ(be32(r, 56), 777u);
    EXPECT_EQ(be32(r, 60), 0xCAFEBABEu);

    s.hasPosition = false;
    const QByteArray noFix = encodeFrameRecord(s, 0);
    EXPECT_EQ(noFix.mid(6, 3), QByteArray(3, char(0xFF)));
}

TEST(CardGenFields, RecordingHeaderHoldsCountAndInfoRecords)
{
    RecordingHeader h;
    h.kind = 0x10;
    h.detectTime = 1773523800;
    h.sw = 0x20;
    h.detectStamp = 65000;
    h.recordingId = 0x01020304;
    h.infoRecords = {fileInfoRecord(), qualityModeRecord(1), settingsRecord(0x01, 0x09, {0x01})};
    const QByteArray b = encodeRecordingHeader(h);
    ASSERT_EQ(b.size(), 80 + 8 * 3);
    EXPECT_EQ(at(b, 0), 0x10);
    EXPECT_EQ(be32(b, 2), 1773523800u);
    EXPECT_EQ(at(b, 30), 0x20);
    EXPECT_EQ(be32(b, 40), 65000u);
    EXPECT_EQ(be32(b, 44), 0x01020304u);
    EXPECT_EQ(at(b, 64), 3);
    EXPECT_EQ(b.mid(80, 8), QByteArray::fromHex("00010714ffffffed"));
    EXPECT_EQ(b.mid(96, 2), QByteArray::fromHex("0109"));
}

TEST(CardGenFields, BoxSizeFormsAreWrittenAsAsked)
{
    const QByteArray payload(10, 'x');
    const QByteArray b32 = buildBox("udat", payload, BoxSizeForm::Size32);
    EXPECT_EQ(be32(b32, 0), 18u);
    EXPECT_EQ(b32.mid(4, 4), "udat");
    const QByteArray b64 = buildBox("udat", payload, BoxSizeForm::Size64);
    EXPECT_EQ(be32(b64, 0), 1u);
    EXPECT_EQ(be32(b64, 8), 0u);
    EXPECT_EQ(be32(b64, 12), 26u);
    EXPECT_EQ(b64.mid(16), payload);
    const QByteArray b0 = buildBox("udat", payload, BoxSizeForm::ToEnd);
    EXPECT_EQ(be32(b0, 0), 0u);
    EXPECT_EQ(b0.size(), 18);
}

// ---------------------------------------------------------------------------

TEST_F(CardGenTest, MovieEndsWithAUdatBoxThatIndexesHeaderAndOneRunPerSecond)
{
    const WrittenMovie m = writeMovie(path("m2026031508300001.MP4"), quickMovie(5));
    const QByteArray file = readFile(m.path);
    const auto boxes = topLevelBoxes(file);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front().type, "ftyp");
    const Box& last = boxes.back();
    ASSERT_EQ(last.type, "udat");
    EXPECT_EQ(last.offset + last.size, quint64(file.size()));
    EXPECT_EQ(qint64(last.offset), m.udatOffset);
    EXPECT_EQ(qint64(last.size), m.udatLength);

    const Udat u = readUdat(file, last);
    ASSERT_EQ(u.count, 6u); // header + 5 runs
    ASSERT_EQ(u.entries.size(), 6u);
    EXPECT_EQ(be32(file, qsizetype(last.offset) + 8), 0u); // unused leading bytes
    // The header has the lowest offset; every range lies inside the box.
    for (size_t i = 1; i < u.entries.size(); ++i)
        EXPECT_GT(u.entries[i].first, u.entries[0].first);
    for (const auto& [off, len] : u.entries) {
        EXPECT_GE(off, last.offset + 8);
        EXPECT_LE(quint64(off) + len, quint64(file.size()));
    }
    const QByteArray header = file.mid(u.entries[0].first, u.entries[0].second);
    ASSERT_EQ(header.size(), 80 + 16);
    EXPECT_EQ(at(header, 0), 0x17);
    EXPECT_EQ(at(header, 64), 2);
    EXPECT_EQ(header.mid(80, 8), QByteArray::fromHex("00010714ffffffed"));
    EXPECT_EQ(header.mid(88, 3), QByteArray::fromHex("100301"));
    EXPECT_EQ(be32(header, 44), m.recordingId);
    EXPECT_EQ(be32(header, 2), m.startTime);

    quint32 prevStamp = 0;
    for (size_t k = 1; k < u.entries.size(); ++k) {
        const auto [off, len] = u.entries[k];
        ASSERT_EQ(len, 28u * 64u) << "run " << k;
        for (quint32 p = 0; p < len; p += 64) {
            const QByteArray r = file.mid(qsizetype(off + p), 64);
            EXPECT_EQ(be32(r, 60), be32(header, 44));
            EXPECT_EQ(at(r, 44), 0x55);
            const quint32 stamp = be32(r, 40);
            const quint32 j = p / 64;
            // Picture j of second k-1 at floor(1000 j / 28) ms into the second.
            EXPECT_EQ(stamp, m.firstStamp + 1000 * quint32(k - 1) + (1000 * j) / 28);
            EXPECT_EQ(be32(r, 2), m.startTime + quint32(k - 1));
            if (prevStamp) {
                EXPECT_GT(stamp, prevStamp);
            }
            prevStamp = stamp;
        }
    }
    EXPECT_EQ(prevStamp, m.lastStamp);
}

TEST_F(CardGenTest, SameOptionsGiveTheSameBytes)
{
    MovieOptions o = quickMovie(3);
    o.drive.seed = 7;
    writeMovie(path("a.MP4"), o);
    writeMovie(path("b.MP4"), o);
    EXPECT_EQ(readFile(path("a.MP4")), readFile(path("b.MP4")));
    o.drive.seed = 8;
    writeMovie(path("c.MP4"), o);
    EXPECT_NE(readFile(path("a.MP4")), readFile(path("c.MP4")));
}

TEST_F(CardGenTest, DriveStaysPlausibleInTheSouthEast)
{
    for (SpeedProfile p : {SpeedProfile::Urban, SpeedProfile::Highway, SpeedProfile::Parked}) {
        DriveOptions d;
        d.profile = p;
        const auto samples = simulateDrive(d, 120000, 28);
        ASSERT_EQ(samples.size(), 120u * 28u);
        for (const FrameSample& s : samples) {
            ASSERT_LT(s.latitude, 0);  // south
            ASSERT_GT(s.longitude, 0); // east
            ASSERT_LE(s.speedTenths, 1300);
            ASSERT_GE(s.gzMilli, 900);
            ASSERT_LE(std::abs(s.gxMilli), 600);
            if (p == SpeedProfile::Parked) {
                ASSERT_EQ(s.speedTenths, 0);
            }
        }
    }
}

TEST_F(CardGenTest, IncidentsShowInGValuesSwitchByteAndEventCodes)
{
    DriveOptions d;
    d.incidents = {{Incident::Kind::GShock, 10000, true}, {Incident::Kind::SwitchPress, 20000, true}};
    d.gpsOutages = {{30000, 31000}};
    const auto s = simulateDrive(d, 40000, 28);
    int shockFrames = 0, minGx = 0, switchFrames = 0, noFix = 0;
    for (const FrameSample& f : s) {
        if (f.eventCode == 0x10) {
            ++shockFrames;
            EXPECT_GE(f.tripMs, 10000);
            EXPECT_LT(f.tripMs, 10500);
        }
        minGx = std::min(minGx, f.gxMilli);
        if (f.sw) {
            ++switchFrames;
            EXPECT_GE(f.tripMs, 20000);
            EXPECT_LT(f.tripMs, 21000);
        }
        if (!f.hasPosition) {
            ++noFix;
            EXPECT_FALSE(f.gpsValid);
        }
    }
    EXPECT_GT(shockFrames, 5);
    EXPECT_LT(minGx, -800);
    EXPECT_EQ(switchFrames, 28);
    EXPECT_EQ(noFix, 28);
}

TEST_F(CardGenTest, SoundRecordsAreInterleavedButNotPictures)
{
    MovieOptions o = quickMovie(2);
    o.format.soundPerSecond = 5;
    const WrittenMovie m = writeMovie(path("s.MP4"), o);
    ASSERT_EQ(m.runRecords.size(), 2u);
    EXPECT_EQ(m.runRecords[0], 33);
    int sound = 0;
    for (const FrameSample& f : m.samples)
        sound += f.id == 0xAA;
    EXPECT_EQ(sound, 10);
}

// ---------------------------------------------------------------------------

TEST_F(CardGenTest, PowerLossEndsTheRecordingEarlyWithThePowerDownFlag)
{
    MovieOptions o = quickMovie(6);
    o.format.damage = PowerLoss;
    o.format.powerLossAtMs = 3500;
    const WrittenMovie m = writeMovie(path("p.MP4"), o);
    const QByteArray file = readFile(m.path);
    const Udat u = readUdat(file, topLevelBoxes(file).back());
    ASSERT_EQ(u.entries.size(), 5u); // header + 4 runs, the last one partial
    EXPECT_EQ(u.entries[4].second, 14u * 64u);
    const auto [off, len] = u.entries[4];
    for (quint32 p = 0; p < len; p += 64) {
        const bool last3 = p >= len - 3 * 64;
        EXPECT_EQ(at(file, off + p + 31) & 1, last3 ? 1 : 0);
    }
    EXPECT_EQ(m.videoSeconds, 4);
}

TEST_F(CardGenTest, BoxPastEndClaimsMoreBytesThanTheFileHolds)
{
    for (BoxSizeForm form : {BoxSizeForm::Size32, BoxSizeForm::Size64}) {
        MovieOptions o = quickMovie(2);
        o.format.damage = BoxPastEnd;
        o.format.udatSize = form;
        const WrittenMovie m = writeMovie(path("b.MP4"), o);
        const QByteArray file = readFile(m.path);
        const Box last = topLevelBoxes(file).back();
        EXPECT_EQ(last.type, "udat");
        EXPECT_EQ(last.offset + last.size, quint64(file.size()) + 4096);
    }
}

TEST_F(CardGenTest, InvalidBcdDamagesBytes45And46OfTheSecondRun)
{
    MovieOptions o = quickMovie(3);
    o.format.damage = InvalidBcd;
    const WrittenMovie m = writeMovie(path("i.MP4"), o);
    const QByteArray file = readFile(m.path);
    const Udat u = readUdat(file, topLevelBoxes(file).back());
    const quint32 run2 = u.entries[2].first;
    EXPECT_EQ(at(file, run2 + 3 * 64 + 45), 0x1A);
    EXPECT_EQ(at(file, run2 + 5 * 64 + 45), 0x14);
    EXPECT_EQ(at(file, run2 + 5 * 64 + 46), 0xA1);
    ASSERT_EQ(m.damagedRecords.size(), 2u);
    EXPECT_EQ(m.damagedRecords[0].run, 2);
    // Every other record keeps valid BCD in byte 45.
    int bad = 0;
    for (size_t k = 1; k < u.entries.size(); ++k)
        for (quint32 p = 0; p < u.entries[k].second; p += 64) {
            const quint8 b = at(file, u.entries[k].first + p + 45);
            bad += (b >> 4) > 9 || (b & 15) > 9;
        }
    EXPECT_EQ(bad, 1);
}

TEST_F(CardGenTest, ShortHeaderEndsBeforeItsLastInfoRecord)
{
    MovieOptions o = quickMovie(2);
    o.format.damage = ShortHeader;
    const WrittenMovie m = writeMovie(path("h.MP4"), o);
    const QByteArray file = readFile(m.path);
    const Udat u = readUdat(file, topLevelBoxes(file).back());
    const QByteArray header = file.mid(u.entries[0].first, u.entries[0].second);
    ASSERT_EQ(header.size(), 88);
    EXPECT_EQ(at(header, 64), 2); // still announces two records
    EXPECT_LT(header.size(), 80 + 8 * at(header, 64));

    o.format.headerLength = 40; // not even the recording id
    const WrittenMovie tiny = writeMovie(path("h2.MP4"), o);
    EXPECT_EQ(tiny.headerLength, 40);
}

TEST_F(CardGenTest, WideAndOpenEndedUdatBoxesStillIndexTheRightBytes)
{
    for (BoxSizeForm form : {BoxSizeForm::Size64, BoxSizeForm::ToEnd}) {
        MovieOptions o = quickMovie(2);
        o.format.udatSize = form;
        const WrittenMovie m = writeMovie(path("w.MP4"), o);
        const QByteArray file = readFile(m.path);
        const Box last = topLevelBoxes(file).back();
        ASSERT_EQ(last.type, "udat");
        EXPECT_EQ(last.offset + last.size, quint64(file.size()));
        const Udat u = readUdat(file, last);
        ASSERT_EQ(u.entries.size(), 3u);
        EXPECT_EQ(be32(file, u.entries[0].first + 44), m.recordingId);
        EXPECT_EQ(be32(file, u.entries[1].first + 60), m.recordingId);
    }
}

// ---------------------------------------------------------------------------

TEST_F(CardGenTest, TripChaptersContinueTheTimeStampsAndNumbers)
{
    TripOptions t;
    t.chapters = 3;
    t.chapterSeconds = 4;
    t.format.realVideo = false;
    t.firstNumber = 9998;
    int next = 1;
    const WrittenTrip w = writeTrip(dir.path(), t, next);
    ASSERT_EQ(w.chapters.size(), 3u);
    EXPECT_EQ(w.key, "202603150830");
    EXPECT_EQ(w.chapters[0].fileName, "m2026031508309998.MP4");
    EXPECT_EQ(w.chapters[1].fileName, "m2026031508309999.MP4");
    EXPECT_EQ(w.chapters[2].fileName, "m2026031508300001.MP4"); // 9999 wraps to 1
    EXPECT_EQ(next, 2);
    for (size_t c = 0; c < 3; ++c) {
        EXPECT_EQ(w.chapters[c].firstStamp, t.drive.startStamp + 4000 * quint32(c));
        EXPECT_EQ(w.chapters[c].startTime, t.drive.startTime + 4 * quint32(c));
        EXPECT_EQ(w.chapters[c].indexName.size(), 16);
        EXPECT_TRUE(QFile::exists(dir.filePath("MOVE001/" + w.chapters[c].fileName)));
    }
    t.shape = NameShape::Underscore;
    t.firstNumber = 0;
    const WrittenTrip u = writeTrip(dir.path(), t, next);
    EXPECT_EQ(u.chapters[0].fileName, "202603150830_0002.MP4");
    EXPECT_EQ(u.chapters[0].indexName, "2026031508300002");
}

TEST_F(CardGenTest, VrecFileListsChaptersThenAnEndMarkerThenStaleEntries)
{
    CardOptions c;
    TripOptions t;
    t.chapters = 2;
    t.chapterSeconds = 3;
    t.format.realVideo = false;
    c.trips = {t};
    const WrittenCard w = writeCard(dir.path(), c);
    const QByteArray v = readFile(w.moveDir + "/VREC_MOV_MNG.DAT");
    ASSERT_EQ(v.size(), 64 + 80 * 64);
    EXPECT_EQ(at(v, 0), 1);
    for (int i = 0; i < 2; ++i) {
        const QByteArray e = v.mid(64 + 80 * i, 80);
        const WrittenMovie& m = w.trips[0].chapters[size_t(i)];
        EXPECT_EQ(at(e, 0), 0x17);
        EXPECT_EQ(be32(e, 2), m.startTime);
        EXPECT_EQ(be32(e, 40), m.firstStamp);
        EXPECT_EQ(QString::fromLatin1(e.mid(64, 16)), m.indexName);
    }
    EXPECT_EQ(at(v, 64 + 160), 0xFF);             // end marker
    const QByteArray stale = v.mid(64 + 240, 80); // left over, names chapter 1
    EXPECT_EQ(at(stale, 0), 0x17);
    EXPECT_EQ(stale.mid(64, 16), v.mid(64 + 64, 16));
    EXPECT_NE(be32(stale, 2), be32(v, 64 + 2));

    c.vrecListMode = 0;
    const WrittenCard w0 = writeCard(dir.filePath("mode0"), c);
    const QByteArray v0 = readFile(w0.moveDir + "/VREC_MOV_MNG.DAT");
    EXPECT_EQ(at(v0, 0), 0);
    EXPECT_EQ(v0.mid(64 + 160), QByteArray(v0.size() - 224, char(0xFF))); // no stale entry in mode 0
}

TEST_F(CardGenTest, ProtectFileFillsTheThreeRegions)
{
    CardOptions c;
    c.prctListMode = 0;
    TripOptions drive;
    drive.chapters = 2;
    drive.chapterSeconds = 10;
    drive.format.realVideo = false;
    drive.drive.incidents = {{Incident::Kind::GShock, 3000, true},
                             {Incident::Kind::GShock, 15000, true},
                             {Incident::Kind::SwitchPress, 12000, true},
                             {Incident::Kind::GShock, 5000, false}};
    TripOptions parked = drive;
    parked.drive.profile = SpeedProfile::Parked;
    parked.drive.startTime += 3600;
    parked.drive.incidents = {{Incident::Kind::Surveillance, 4000, true}};
    c.trips = {drive, parked};
    const WrittenCard w = writeCard(dir.path(), c);
    const QByteArray p = readFile(w.moveDir + "/MOV_PRCT.DAT");
    ASSERT_EQ(p.size(), 0x3400);
    EXPECT_EQ(at(p, 0), 0);
    // G: first event, a deleted slot, then the second event.
    EXPECT_EQ(at(p, 0x200), 0x10);
    EXPECT_EQ(at(p, 0x400), 0xFF);
    EXPECT_EQ(at(p, 0x600), 0x10);
    EXPECT_EQ(at(p, 0x800), 0xFF);
    const WrittenMovie& ch2 = w.trips[0].chapters[1];
    EXPECT_EQ(QString::fromLatin1(p.mid(0x600 + 64, 16)), ch2.indexName);
    const quint32 stamp = be32(p, 0x600 + 40);
    EXPECT_GE(stamp, drive.drive.startStamp + 15000 - 36);
    EXPECT_LE(stamp, drive.drive.startStamp + 15000);
    EXPECT_EQ(be32(p, 0x600 + 56), ch2.firstStamp);
    // Surveillance region: kind 0x12 and the validity byte set.
    EXPECT_EQ(at(p, 0x1600), 0x12);
    EXPECT_EQ(at(p, 0x1600 + 81), 1);
    EXPECT_EQ(QString::fromLatin1(p.mid(0x1600 + 64, 16)), w.trips[1].chapters[0].indexName);
    // Switch region.
    EXPECT_EQ(at(p, 0x2A00), 0x20);
    EXPECT_EQ(at(p, 0x2A00 + 512), 0xFF);
    EXPECT_EQ(w.events.size(), 4u);
}

TEST_F(CardGenTest, AdventureFileKeepsASpareLastSlot)
{
    CardOptions c;
    TripOptions t;
    t.chapters = 4;
    t.chapterSeconds = 2;
    t.format.realVideo = false;
    t.adventureFirstChapter = 1;
    t.adventureChapters = 2;
    c.trips = {t};
    const WrittenCard w = writeCard(dir.path(), c);
    const QByteArray a = readFile(w.moveDir + "/ADV_PRCT.DAT");
    ASSERT_EQ(a.size(), 512 + 512 * 16);
    ASSERT_EQ(w.adventures.size(), 1u);
    const quint32 end = w.adventures[0].endTime;
    EXPECT_EQ(end, t.drive.startTime + 6);
    for (int i = 0; i < 2; ++i) {
        const QByteArray e = a.mid(512 + 512 * i, 512);
        EXPECT_EQ(at(e, 0), 0x25);
        EXPECT_EQ(QString::fromLatin1(e.mid(64, 16)), w.trips[0].chapters[size_t(i + 1)].indexName);
        EXPECT_EQ(at(e, 80), i == 0 ? 1 : 0);
        EXPECT_EQ(be32(e, 81), end);
    }
    EXPECT_EQ(at(a, 512 + 1024), 0xFF);
    EXPECT_EQ(at(a, a.size() - 512), 0xFF);
}

TEST_F(CardGenTest, SettingsFileCountsItsRecords)
{
    const QByteArray s = buildSettingsFile({fileInfoRecord(), qualityModeRecord(1)});
    ASSERT_EQ(s.size(), 24 + 16);
    EXPECT_EQ(at(s, 8), 2);
    EXPECT_EQ(s.mid(24, 8), QByteArray::fromHex("00010714ffffffed"));
}

TEST_F(CardGenTest, DataFileBlocksTileTheFileAndPlaybackInfIsShiftJis)
{
    DataFileOptions o;
    o.seconds = 3;
    o.infCarCode = QStringLiteral("ABC");
    o.infTitle = QStringLiteral("配送ルート");
    const WrittenDataFile w = writeDataFile(path("DATA/0001/2026031508300001.DAT"), o);
    const QByteArray f = readFile(w.path);
    ASSERT_GT(f.size(), 8192);
    EXPECT_EQ(at(f, 0), 0x17);
    EXPECT_EQ(be32(f, 2), o.drive.startTime);
    EXPECT_EQ(be32(f, 44), o.recordingId);
    EXPECT_NE(be32(f, 28), be32(f, 44));
    const int n = at(f, 64);
    ASSERT_EQ(n, 9);
    std::map<std::pair<int, int>, QByteArray> info;
    for (int k = 0; k < n; ++k) {
        const QByteArray r = f.mid(80 + 8 * k, 8);
        quint8 x = 0;
        for (int i = 0; i < 7; ++i)
            x ^= at(r, i);
        EXPECT_EQ(at(r, 7), x);
        info[{at(r, 0), at(r, 1)}] = r;
    }
    EXPECT_EQ((info[{0x01, 0x03}].mid(2, 4)), QByteArray::fromHex("12345678"));
    EXPECT_EQ((info[{0x10, 0x03}].mid(2, 1)), QByteArray::fromHex("00"));

    qsizetype p = 8192;
    int blocks = 0, pictures = 0, sounds = 0;
    while (p < f.size()) {
        const quint32 blockSize = be32(f, p), dataSize = be32(f, p + 8);
        ASSERT_GT(blockSize, 48u);
        ASSERT_EQ((blockSize - 48 - dataSize) % 64, 0u);
        quint32 payload = 0;
        for (qsizetype r = p + 48 + dataSize; r + 64 <= p + qsizetype(blockSize); r += 64) {
            EXPECT_NE(be32(f, r + 60), o.recordingId);
            payload += be32(f, r + 36);
            at(f, r + 44) == 0x55 ? ++pictures : ++sounds;
        }
        EXPECT_EQ(payload, dataSize);
        EXPECT_EQ(be16(f, p + 48), 0xFFD8);
        p += blockSize;
        ++blocks;
    }
    EXPECT_EQ(p, f.size());
    EXPECT_EQ(blocks, 3);
    EXPECT_EQ(pictures, 30);
    EXPECT_EQ(sounds, 3);

    QStringDecoder sjis("windows-31j");
    const QString inf = sjis.decode(readFile(w.playbackInfPath));
    EXPECT_FALSE(sjis.hasError());
    EXPECT_TRUE(inf.startsWith(QStringLiteral("[INFO]\r\n")));
    EXPECT_TRUE(inf.contains(QStringLiteral("USER_CAR_CODE=ABC\r\n")));
    EXPECT_FALSE(inf.contains(QStringLiteral("USER_DRIVER_CODE")));
    EXPECT_TRUE(inf.contains(QStringLiteral("TITLE=配送ルート\r\n")));
    EXPECT_NE(readFile(w.playbackInfPath), inf.toUtf8()); // not UTF-8 on disk
}

// ---------------------------------------------------------------------------

TEST_F(CardGenTest, RealMovieIsH264ThatFfprobeReads)
{
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty()) GTEST_SKIP() << "no ffmpeg";
    MovieOptions o;
    o.durationSeconds = 2;
    o.videoCacheDir = dir.filePath("cache");
    const WrittenMovie m = writeMovie(path("MOVE/MOVE001/m2026031508300001.MP4"), o);
    const QByteArray file = readFile(m.path);
    const auto boxes = topLevelBoxes(file);
    QByteArrayList types;
    for (const Box& b : boxes)
        types << b.type;
    EXPECT_TRUE(types.contains("moov"));
    EXPECT_TRUE(types.contains("mdat"));
    EXPECT_EQ(types.back(), "udat");
    EXPECT_EQ(boxes.back().offset + boxes.back().size, quint64(file.size()));
    EXPECT_EQ(QDir(o.videoCacheDir).entryList(QDir::Files).size(), 1);

    if (QStandardPaths::findExecutable(QStringLiteral("ffprobe")).isEmpty()) return;
    QProcess probe;
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                 QStringLiteral("-show_entries"),
                 QStringLiteral("stream=codec_name,width,height,nb_read_frames"), QStringLiteral("-of"),
                 QStringLiteral("default=noprint_wrappers=1"), m.path});
    ASSERT_TRUE(probe.waitForFinished(60000));
    const QString out = QString::fromUtf8(probe.readAll());
    EXPECT_EQ(probe.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("codec_name=h264"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("width=320")));
    EXPECT_TRUE(out.contains(QStringLiteral("height=180")));
    EXPECT_TRUE(out.contains(QStringLiteral("nb_read_frames=56"))) << out.toStdString();

    // A large picture with a sound track as long as the picture.
    o.format.videoWidth = 1280;
    o.format.videoHeight = 720;
    o.format.audio = true;
    const WrittenMovie large = writeMovie(path("MOVE/MOVE001/m2026031508300002.MP4"), o);
    QProcess streams;
    streams.setProcessChannelMode(QProcess::MergedChannels);
    streams.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                   QStringLiteral("stream=codec_type,codec_name,width,height,duration"), QStringLiteral("-of"),
                   QStringLiteral("csv=p=0"), large.path});
    ASSERT_TRUE(streams.waitForFinished(60000));
    const QStringList lines = QString::fromUtf8(streams.readAll()).trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("h264,video,1280,720,"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("aac,audio,"))) << lines[1].toStdString();
    EXPECT_NEAR(lines[1].section(QLatin1Char(','), -1).toDouble(), 2.0, 0.05);
    EXPECT_EQ(QDir(o.videoCacheDir).entryList(QDir::Files).size(), 2);
}

TEST_F(CardGenTest, DemoCardHoldsTripsEventsSurveillanceAndAdventure)
{
    CardOptions c = demoCardOptions();
    for (TripOptions& t : c.trips)
        t.format.realVideo = false;
    const WrittenCard w = writeCard(dir.path(), c);
    ASSERT_EQ(w.trips.size(), 3u);
    int movies = 0;
    for (const WrittenTrip& t : w.trips)
        movies += int(t.chapters.size());
    EXPECT_EQ(movies, 9);
    for (const WrittenTrip& t : w.trips)
        for (const WrittenMovie& m : t.chapters) {
            EXPECT_TRUE(QFile::exists(m.path));
            // The card's folder and name rules: MOVEnnn/ and 17 word characters.
            EXPECT_TRUE(
                m.path.contains(QRegularExpression(QStringLiteral("/MOVE/MOVE\\d{3}/\\w{17}\\.MP4$"))))
                << m.path.toStdString();
        }
    int g = 0, surv = 0, sw = 0;
    for (const WrittenEvent& e : w.events) {
        g += e.kind == Incident::Kind::GShock;
        surv += e.kind == Incident::Kind::Surveillance;
        sw += e.kind == Incident::Kind::SwitchPress;
    }
    EXPECT_EQ(g, 2);
    EXPECT_EQ(surv, 1);
    EXPECT_EQ(sw, 1);
    ASSERT_EQ(w.adventures.size(), 1u);
    EXPECT_EQ(w.adventures[0].chapters.size(), 3u);
    // The power fails 40 s into the motorway's last chapter.
    EXPECT_EQ(w.trips[1].chapters.back().runRecords.size(), 40u);
    EXPECT_TRUE(w.trips[1].chapters.back().samples.back().powerDown);
    ASSERT_EQ(w.dataFiles.size(), 1u);
    EXPECT_TRUE(QFile::exists(w.root + "/SETINF.DAT"));
    EXPECT_TRUE(QFile::exists(w.moveDir + "/ver.txt"));
    // The drives report a position once a second, as a recorder's receiver
    // does, so a heading is taken over a second's way and not one unit's.
    int moves = 0;
    int movesWithinASecond = 0;
    for (const WrittenTrip& t : w.trips)
        for (const WrittenMovie& m : t.chapters)
            for (std::size_t i = 1; i < m.samples.size(); ++i) {
                const FrameSample& a = m.samples[i - 1];
                const FrameSample& b = m.samples[i];
                if (a.latitude == b.latitude && a.longitude == b.longitude) continue;
                ++moves;
                movesWithinASecond += a.tripMs / 1000 == b.tripMs / 1000;
            }
    EXPECT_GT(moves, 100);
    EXPECT_EQ(movesWithinASecond, 0);
}
