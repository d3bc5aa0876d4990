#include "core/foundation/AppError.h"
#include "core/foundation/IniFile.h"
#include "core/foundation/TextEncoding.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
IniFile parse(const QByteArray& bytes)
{
    IniFile ini;
    ini.loadData(bytes);
    return ini;
}
} // namespace

TEST(IniFile, LastOccurrenceWinsAndValuesKeepEquals)
{
    const IniFile ini = parse("  [INFO]  \r\nUSER_CAR_CODE = 1234\nUSER_CAR_CODE=5678\rTITLE=a=b\n=x\n");
    EXPECT_EQ(ini.get(QStringLiteral("INFO"), QStringLiteral("USER_CAR_CODE")), QStringLiteral("5678"));
    EXPECT_EQ(ini.get(QStringLiteral("INFO"), QStringLiteral("TITLE")), QStringLiteral("a=b"));
    EXPECT_EQ(ini.get(QStringLiteral("INFO"), QString()), QStringLiteral("x"));
}

TEST(IniFile, SectionsAreTakenExactly)
{
    const IniFile ini = parse("before=1\n[ INFO ]\nA=1\n; comment=2\nno equals sign\n");
    EXPECT_THROW(ini.get(QStringLiteral("INFO"), QStringLiteral("A")), AppError);
    EXPECT_EQ(ini.get(QStringLiteral(" INFO "), QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_EQ(ini.get(QStringLiteral(" INFO "), QStringLiteral("; comment")), QStringLiteral("2"));
    EXPECT_EQ(ini.map().value(QStringLiteral("before")), QStringLiteral("1"));
    EXPECT_THROW(ini.get(QString(), QStringLiteral("before")), AppError);
    EXPECT_EQ(ini.map().size(), 3);
}

TEST(IniFile, LookupErrorNamesSectionAndKey)
{
    const IniFile ini;
    try {
        ini.get(QStringLiteral("INFO"), QStringLiteral("TITLE"));
        FAIL();
    } catch (const AppError& e) {
        EXPECT_EQ(e.code(), -1);
        EXPECT_EQ(e.domain(), QStringLiteral("指定されたキーが見つかりません: INFO TITLE"));
    }
}

TEST(IniFile, ShiftJisIsReadTheWindowsWay)
{
    // "ドライブ①" in CP932: katakana, and an NEC extension character (0x8740).
    const QByteArray title = QByteArray::fromHex("8368838983438375") + QByteArray::fromHex("8740");
    const IniFile ini = parse("[INFO]\nTITLE=" + title + "\nPATH=C:\\x\n");
    EXPECT_EQ(ini.get(QStringLiteral("INFO"), QStringLiteral("TITLE")), QStringLiteral("ドライブ①"));
    EXPECT_EQ(ini.get(QStringLiteral("INFO"), QStringLiteral("PATH")), QStringLiteral("C:\\x"));
    const auto encoded = TextEncoding::encodeShiftJIS(QStringLiteral("ドライブ①"));
    ASSERT_TRUE(encoded.has_value());
    EXPECT_EQ(*encoded, title);
}

TEST(IniFile, InvalidBytesLeaveTheMapEmpty)
{
    const IniFile ini = parse("[INFO]\nTITLE=ok\nBAD=\x81\x20\n");
    EXPECT_TRUE(ini.map().isEmpty());
    IniFile missing;
    missing.load(QStringLiteral("/nonexistent/Playback.inf"));
    EXPECT_TRUE(missing.map().isEmpty());
}

TEST(IniFile, LoadsFromAFile)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("Playback.inf")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[INFO]\r\nUSER_DRIVER_CODE=00000042\r\n");
    f.close();
    IniFile ini;
    ini.load(f.fileName());
    EXPECT_EQ(ini.get(QStringLiteral("INFO"), QStringLiteral("USER_DRIVER_CODE")), QStringLiteral("00000042"));

    // A file larger than any the recorder writes is not read at all.
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray(IniFile::MAX_FILE_SIZE, '\n'));
    f.close();
    IniFile large;
    large.load(f.fileName());
    EXPECT_TRUE(large.map().isEmpty());
}

TEST(IOUtil, FreeSpaceAndRemoval)
{
    EXPECT_EQ(IOUtil::freeDiskSpace(QStringLiteral("/nonexistent/path")), -1);
    QTemporaryDir dir;
    EXPECT_GT(IOUtil::freeDiskSpace(dir.path()), 0);
    const QString sub = dir.filePath(QStringLiteral("sub"));
    QDir().mkpath(sub + QStringLiteral("/deeper"));
    IOUtil::removeFile(sub);
    EXPECT_FALSE(QFileInfo::exists(sub));
    IOUtil::removeFile(dir.filePath(QStringLiteral("missing"))); // no error
}
