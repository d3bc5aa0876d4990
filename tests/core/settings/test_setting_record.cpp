#include "settings/SettingInfo.h"

#include <gtest/gtest.h>

TEST(SettingRecord, FileInfoRecordOfANewModel)
{
    EXPECT_EQ(SettingInfo().makeRecord(SettingInfo::DataType::FileInfo), QByteArray::fromHex("00010714FFFFFFED"));
}

TEST(SettingRecord, CheckByteIsTheXorOfTheSevenBytesBefore)
{
    EXPECT_EQ(SettingInfo::buildRecord(QByteArray::fromHex("0301"), QByteArray::fromHex("05")),
              QByteArray::fromHex("030105FFFFFFFF07"));
    // never more than five data bytes
    EXPECT_EQ(SettingInfo::buildRecord(QByteArray::fromHex("0101"), QByteArray::fromHex("0102030405060708")),
              QByteArray::fromHex("01010102030405") + QByteArray(1, char(0x01 ^ 0x01 ^ 0x01 ^ 0x02 ^ 0x03 ^ 0x04 ^ 0x05)));
}

TEST(SettingRecord, EmptyItemsHaveNoRecordButSecurityItemsAlways)
{
    SettingInfo s;
    EXPECT_TRUE(s.makeRecord(SettingInfo::DataType::BuzzAction).isEmpty());
    EXPECT_EQ(s.makeRecord(SettingInfo::DataType::Security1), QByteArray::fromHex("0121FFFFFFFFFFDF"));
    EXPECT_EQ(s.makeRecord(SettingInfo::DataType::Security2), QByteArray::fromHex("0122FFFFFFFFFFDC"));
    s.setItem(SettingInfo::DataType::BuzzAction, QByteArray::fromHex("05"));
    EXPECT_EQ(s.makeRecord(SettingInfo::DataType::BuzzAction), QByteArray::fromHex("030105FFFFFFFF07"));
    EXPECT_EQ(SettingInfo::codeOf(SettingInfo::DataType::RecFileCnt), QByteArray::fromHex("3001"));
    EXPECT_EQ(SettingInfo::widthOf(SettingInfo::DataType::QualityMode), 1);
}
