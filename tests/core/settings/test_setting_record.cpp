#include "core/settings/SettingInfo.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <tuple>

using DataType = SettingInfo::DataType;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

// A SETINF.DAT image: 24-byte preamble with the count at byte 8, then records.
QByteArray setinf(int count, const QList<QByteArray>& records)
{
    QByteArray b(24, '\0');
    b[8] = char(count);
    for (const QByteArray& r : records) b += r;
    return b;
}

} // namespace

TEST(SettingRecord, FileInfoRecordOfANewModel)
{
    EXPECT_EQ(SettingInfo().makeRecord(DataType::FileInfo), hex("00010714FFFFFFED"));
}

TEST(SettingRecord, CheckByteIsTheXorOfTheSevenBytesBefore)
{
    EXPECT_EQ(SettingInfo::buildRecord(hex("0301"), hex("05")), hex("030105FFFFFFFF07"));
    // never more than five data bytes
    EXPECT_EQ(SettingInfo::buildRecord(hex("0101"), hex("0102030405060708")),
              hex("01010102030405") + QByteArray(1, char(0x01 ^ 0x01 ^ 0x01 ^ 0x02 ^ 0x03 ^ 0x04 ^ 0x05)));
}

TEST(SettingRecord, EmptyItemsHaveNoRecordButSecurityItemsAlways)
{
    SettingInfo s;
    EXPECT_TRUE(s.makeRecord(DataType::BuzzAction).isEmpty());
    EXPECT_EQ(s.makeRecord(DataType::Security1), hex("0121FFFFFFFFFFDF"));
    EXPECT_EQ(s.makeRecord(DataType::Security2), hex("0122FFFFFFFFFFDC"));
    s.setItem(DataType::BuzzAction, hex("05"));
    EXPECT_EQ(s.makeRecord(DataType::BuzzAction), hex("030105FFFFFFFF07"));
    EXPECT_EQ(SettingInfo::codeOf(DataType::RecFileCnt), hex("3001"));
    EXPECT_EQ(SettingInfo::widthOf(DataType::QualityMode), 1);
    // A new model's file image: file information and the two security records.
    EXPECT_EQ(s.makeFileData().size(), 32);
    EXPECT_EQ(SettingInfo().makeFileData(), hex("00010714FFFFFFED0121FFFFFFFFFFDF0122FFFFFFFFFFDC"));
}

TEST(SettingRecord, EveryItemHasTheRecordersCodeAndWidth)
{
    // The recorder's table, in the order the items are written.
    const struct {
        DataType type;
        const char* code;
        int width;
    } table[] = {
        {DataType::FileInfo, "0001", 2},       {DataType::DateTime, "0101", 5},
        {DataType::Security1, "0121", 5},      {DataType::Security2, "0122", 5},
        {DataType::WiFiPass1, "0155", 5},      {DataType::WiFiPass2, "0156", 5},
        {DataType::WiFiPass3, "0157", 5},      {DataType::WiFiPass4, "0158", 5},
        {DataType::ResetWifiPass, "0159", 1},  {DataType::ResetAllSetting, "0160", 1},
        {DataType::BuzzAction, "0301", 1},     {DataType::GuidanceVolume, "0303", 1},
        {DataType::BuzzOperation, "0306", 1},  {DataType::BuzzNoCard, "0307", 1},
        {DataType::BuzzSurv, "0308", 1},       {DataType::GGdcLelvel, "0724", 2},
        {DataType::GGdcTime, "0725", 1},       {DataType::GTrgLevel, "0801", 2},
        {DataType::GTrgTime, "0802", 1},       {DataType::PTrgLevel, "0803", 1},
        {DataType::PTrgTime, "0804", 2},       {DataType::GtrgCross, "0811", 2},
        {DataType::ModAngle, "0812", 2},       {DataType::QualityMode, "1003", 1},
        {DataType::RecSound, "1006", 1},       {DataType::SurvRec, "2000", 1},
        {DataType::OpeTime, "2001", 2},        {DataType::SurvGSensorX, "2002", 2},
        {DataType::SurvGSensorY, "2003", 2},   {DataType::SurvAccOffTime, "2004", 1},
        {DataType::SurvAccOnTime, "2005", 1},  {DataType::AdvMode, "3000", 1},
        {DataType::RecFileCnt, "3001", 2},
    };
    ASSERT_EQ(std::size(table), std::size_t(SettingInfo::DATA_TYPE_COUNT));
    const QByteArray data = hex("1122334455");
    SettingInfo all;
    QByteArray image;
    for (std::size_t i = 0; i < std::size(table); ++i) {
        const auto& row = table[i];
        SCOPED_TRACE(row.code);
        EXPECT_EQ(int(row.type), int(i));
        EXPECT_EQ(SettingInfo::codeOf(row.type), hex(row.code));
        EXPECT_EQ(SettingInfo::widthOf(row.type), row.width);
        // A record of the code fills that item, and no other, with its width
        // of data bytes, and is written back under the same code.
        SettingInfo s;
        s.setItem(DataType::FileInfo, {});
        EXPECT_TRUE(s.parseRecord(SettingInfo::buildRecord(hex(row.code), data)));
        for (int t = 0; t < SettingInfo::DATA_TYPE_COUNT; ++t)
            EXPECT_EQ(s.item(DataType(t)), DataType(t) == row.type ? data.left(row.width) : QByteArray()) << t;
        EXPECT_EQ(s.makeRecord(row.type), SettingInfo::buildRecord(hex(row.code), data.left(row.width)));
        all.parseRecord(SettingInfo::buildRecord(hex(row.code), data));
        image += SettingInfo::buildRecord(hex(row.code), data.left(row.width));
    }
    // Written in the table's order.
    EXPECT_EQ(all.makeFileData().toHex(), image.toHex());
    // The device type is read under its own code, one byte wide, and never written.
    EXPECT_EQ(SettingInfo::GRP_CD_DEVICETYPE, hex("0109"));
    EXPECT_TRUE(all.parseRecord(SettingInfo::buildRecord(hex("0109"), data)));
    EXPECT_EQ(all.deviceTypeItem(), hex("11"));
    EXPECT_EQ(all.makeFileData().toHex(), image.toHex());
}

TEST(SettingRecord, ParseStoresOnlyWholeCheckedRecordsOfKnownCodes)
{
    SettingInfo s;
    EXPECT_TRUE(s.parseRecord(hex("030105FFFFFFFF07")));
    EXPECT_EQ(s.item(DataType::BuzzAction), hex("05"));
    EXPECT_FALSE(s.parseRecord(hex("030106FFFFFFFF07"))); // wrong check byte
    EXPECT_FALSE(s.parseRecord(hex("030105FFFFFFFF")));   // seven bytes
    EXPECT_FALSE(s.parseRecord(SettingInfo::buildRecord(hex("FFFF"), {}))); // a fill slot
    EXPECT_FALSE(s.parseRecord(SettingInfo::buildRecord(hex("0999"), hex("01"))));
    EXPECT_EQ(s.item(DataType::BuzzAction), hex("05"));
    // The item takes its own width, 0xFF included; the device type has no
    // DataType but is read.
    EXPECT_TRUE(s.parseRecord(SettingInfo::buildRecord(hex("0804"), hex("05"))));
    EXPECT_EQ(s.item(DataType::PTrgTime), hex("05FF"));
    EXPECT_TRUE(s.parseRecord(SettingInfo::buildRecord(hex("0109"), hex("02"))));
    EXPECT_EQ(s.getDeviceType(), 2);
    EXPECT_TRUE(s.parseRecord(SettingInfo::buildRecord(hex("0160"), hex("07"))));
    EXPECT_EQ(s.makeRecord(DataType::ResetAllSetting), SettingInfo::buildRecord(hex("0160"), hex("07")));
}

TEST(SettingItems, EachItemCodesOnFixedBytes)
{
    using Pair = std::pair<std::int32_t, std::int32_t>;
    SettingInfo s;
    const auto angle = [&s] { Pair p; s.getModAngle(p.first, p.second); return p; };
    const auto surv = [&s] { std::int32_t on, off, mode; s.getSurvRec(on, off, mode); return std::tuple{on, off, mode}; };

    s.setGTrgCross(3);
    EXPECT_EQ(s.item(DataType::GtrgCross), hex("0030"));
    EXPECT_EQ(s.getGTrgCross(), 3);
    for (int other : {0, 1, 7}) {
        s.setGTrgCross(other);
        EXPECT_EQ(s.item(DataType::GtrgCross), hex("0010"));
        EXPECT_EQ(s.getGTrgCross(), 1);
    }
    EXPECT_EQ(angle(), Pair(-1, -2));
    s.setModAngle(false, -7);
    EXPECT_EQ(s.item(DataType::ModAngle), hex("0107"));
    EXPECT_EQ(angle(), Pair(0, -7));
    s.setModAngle(true, 12);
    EXPECT_EQ(s.item(DataType::ModAngle), hex("8000"));
    EXPECT_EQ(angle(), Pair(1, 0));
    s.setItem(DataType::ModAngle, hex("001A"));
    EXPECT_EQ(angle(), Pair(0, -2));

    s.setSurvRec(true, false, 1);
    EXPECT_EQ(s.item(DataType::SurvRec), hex("02"));
    EXPECT_EQ(surv(), std::tuple(1, 0, 1));
    s.setSurvRec(true, true, 0);
    EXPECT_EQ(surv(), std::tuple(0, 1, 0));
    s.setAdvMode(true, false);
    EXPECT_EQ(s.item(DataType::AdvMode), hex("01"));

    s.setRecFileCnt(150);
    EXPECT_EQ(s.item(DataType::RecFileCnt), hex("0150"));
    EXPECT_EQ(s.getRecFileCnt(), 150);
    s.setItem(DataType::RecFileCnt, hex("FFFF"));
    EXPECT_EQ(s.getRecFileCnt(), -1);
    s.setItem(DataType::OpeTime, hex("1A00"));
    EXPECT_EQ(s.getOpeTime(), -1);
    // Byte-value getters read the byte, not its BCD digits.
    s.setItem(DataType::BuzzAction, hex("12"));
    EXPECT_EQ(s.getBuzzAction(), 18);
    // The two-byte item set with one byte gives the record a file gives back.
    s.setPTrgTime(5);
    EXPECT_EQ(s.makeRecord(DataType::PTrgTime), SettingInfo::buildRecord(hex("0804"), hex("05")));
    s.clearWifiPass();
    EXPECT_EQ(s.makeRecord(DataType::WiFiPass3), SettingInfo::buildRecord(hex("0157"), hex("0000000000")));
}

TEST(SettingItems, DateTimeReplacesItsFiveBytesInsteadOfGrowing)
{
    SettingInfo s;
    s.setDateTime(QDateTime(QDate(2026, 3, 15), QTime(8, 30), Qt::LocalTime));
    s.setDateTime(QDateTime(QDate(2027, 12, 31), QTime(23, 59), Qt::LocalTime));
    EXPECT_EQ(s.item(DataType::DateTime), hex("2712312359"));
    EXPECT_EQ(s.makeRecord(DataType::DateTime).size(), 8);
    s.setDateTime(QDateTime());
    EXPECT_EQ(s.item(DataType::DateTime), hex("2712312359"));
    s.setDateTimeNone();
    EXPECT_EQ(s.item(DataType::DateTime), hex("FFFFFFFFFF"));
}

TEST(SettingItems, MergeBcdAndRangeCheck)
{
    SettingInfo mine, theirs;
    mine.setBuzzAction(0);
    theirs.setBuzzAction(2);
    theirs.setQualityMode(2);
    theirs.clearWifiPass();
    theirs.setItem(DataType::FileInfo, hex("0815"));
    mine.marge(theirs);
    EXPECT_EQ(mine.getBuzzAction(), 0);
    EXPECT_EQ(mine.getQualityMode(), 2);
    EXPECT_TRUE(mine.item(DataType::WiFiPass1).isEmpty());
    EXPECT_EQ(mine.item(DataType::FileInfo), hex("0714"));

    EXPECT_EQ(SettingInfo::bcdBytes(1234, 2), hex("1234"));
    EXPECT_EQ(SettingInfo::bcdBytes(0, 2), hex("0000"));
    EXPECT_EQ(SettingInfo::bcdBytes(123, 1), hex("23"));
    EXPECT_EQ(SettingInfo::hexText(hex("2000"), 2), QStringLiteral("2000"));
    EXPECT_EQ(SettingInfo::hexText(hex("ab"), 3), QStringLiteral("AB"));

    EXPECT_TRUE(SettingInfo::checkRange(qint64(1), 1, 2, true));
    EXPECT_FALSE(SettingInfo::checkRange(qint64(1), 1, 2, false));
    EXPECT_FALSE(SettingInfo::checkRange(qint64(3), 1, 2, true));
}

TEST(SettingFiles, SetinfLoadsWholeCheckedRecordsAndStopsAtTheEnd)
{
    const QByteArray level = SettingInfo::buildRecord(hex("0801"), hex("0045"));
    const QByteArray badCheck = hex("030105FFFFFFFF08");
    const QByteArray quality = SettingInfo::buildRecord(hex("1003"), hex("02"));
    SettingInfo s;

    s.loadSetinfData(setinf(3, {level, badCheck, quality}));
    EXPECT_EQ(s.getGTrgLevel(), 45);
    EXPECT_EQ(s.getBuzzAction(), -1);
    EXPECT_EQ(s.getQualityMode(), 2);
    // Loading empties every item first, the file information included.
    EXPECT_TRUE(s.item(DataType::FileInfo).isEmpty());

    for (const QByteArray& nothing : {setinf(0, {level}), QByteArray(), QByteArray(8, '\x05')}) {
        s.loadSetinfData(nothing);
        EXPECT_EQ(s.getGTrgLevel(), -1);
    }

    // A count beyond the file, and a record cut in the middle: the whole
    // records are read, nothing past the end.
    QByteArray cut = setinf(200, {level, quality});
    cut += quality.left(5);
    s.loadSetinfData(cut);
    EXPECT_EQ(s.getGTrgLevel(), 45);
    EXPECT_EQ(s.getQualityMode(), 2);

    // The later of two records with one code wins.
    s.loadSetinfData(setinf(2, {quality, SettingInfo::buildRecord(hex("1003"), hex("00"))}));
    EXPECT_EQ(s.getQualityMode(), 0);
}

TEST(SettingFiles, GroupFileIsWrittenWholeAndReadsBackToTheSameImage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("GROUP.DAT"));
    SettingInfo s;
    s.setBuzzAction(1);
    s.setRecFileCnt(150);
    s.setUnknownData({SettingInfo::buildRecord(hex("0999"), hex("01"))});
    ASSERT_TRUE(s.Save(path));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 32768);
    const QByteArray records = s.makeFileData();
    EXPECT_EQ(records.size(), 6 * 8);
    EXPECT_EQ(bytes.left(records.size()), records);
    EXPECT_EQ(bytes.mid(records.size()), QByteArray(32768 - records.size(), char(0xFF)));
    // Only this file is left in the folder (no temporary beside it).
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // Read back, the unknown record is dropped and the security items hold
    // five 0xFF bytes; without the unknown record the image is the same.
    SettingInfo back;
    back.Load(path);
    EXPECT_EQ(back.item(DataType::Security1), hex("FFFFFFFFFF"));
    s.setUnknownData({});
    EXPECT_EQ(back.makeFileData(), s.makeFileData());

    // A file whose length is not a multiple of 8 gives its whole records.
    back.loadGroupData(bytes.left(8 * 4 + 3));
    EXPECT_EQ(back.getBuzzAction(), 1);
    EXPECT_EQ(back.getRecFileCnt(), -1);

    back.Load(dir.filePath(QStringLiteral("none.dat")));
    EXPECT_TRUE(back.item(DataType::FileInfo).isEmpty());
}
