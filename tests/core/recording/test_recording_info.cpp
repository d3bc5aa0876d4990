#include "core/foundation/AppError.h"
#include "core/recording/CardContentTypes.h"
#include "core/recording/FullTimeDataInfo.h"
#include "core/recording/PlaybackInfo.h"
#include "core/recording/VersionInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void writeText(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(VersionInfoCheck, FirstLineNamesTheTargetAndIsKeptWhole)
{
    QTemporaryDir dir;
    writeText(dir.filePath(QStringLiteral("ver.txt")), "104ABC\nsecond\n");
    VersionInfo v = VersionInfo::check(dir.path());
    EXPECT_EQ(v.target(), TargetType::Tarko12);
    EXPECT_EQ(v.versionString(), QStringLiteral("104ABC"));

    writeText(dir.filePath(QStringLiteral("ver.txt")), "103");
    v = VersionInfo::check(dir.path());
    EXPECT_EQ(v.target(), TargetType::Common);
    EXPECT_EQ(v.versionString(), QStringLiteral("103"));
}

TEST(VersionInfoCheck, UnusableTextGivesTheDefault)
{
    QTemporaryDir dir;
    for (const QByteArray& text : {QByteArray("10"), QByteArray(), QByteArray("105X"), QByteArray("A\n104"),
                                   QByteArray("\xFF\xFE" "104")}) {
        writeText(dir.filePath(QStringLiteral("ver.txt")), text);
        const VersionInfo v = VersionInfo::check(dir.path());
        EXPECT_EQ(v.target(), TargetType::Tarko12) << text.toStdString();
        EXPECT_EQ(v.versionString(), QStringLiteral("104"));
    }
    EXPECT_EQ(VersionInfo::check(std::nullopt).versionString(), QStringLiteral("104"));
    // A version file is one short line: a large file is no version file.
    writeText(dir.filePath(QStringLiteral("ver.txt")), "103\n" + QByteArray(64 * 1024, 'x'));
    EXPECT_EQ(VersionInfo::check(dir.path()).versionString(), QStringLiteral("104"));
}

TEST(VersionInfoCheck, UnknownCodeFailsForTheReaderWithTheCode)
{
    try {
        VersionInfo::checkReader(QStringLiteral("105"));
        FAIL();
    } catch (const AppError& e) {
        EXPECT_EQ(e.domain(), QStringLiteral("未定義の向け先番号です: 105"));
        EXPECT_EQ(e.code(), -1);
    }
    EXPECT_THROW(VersionInfo::checkReader(QStringLiteral("10")), AppError);
}

TEST(VersionInfoCheck, DirectoriesNamedLikeTheFilesFail)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("ver.txt"));
    QDir(dir.path()).mkdir(QStringLiteral("SETINF.DAT"));
    EXPECT_THROW(VersionInfo::check(dir.path()), AppError);
}

TEST(VersionInfoCheck, CodesNamesAndGValues)
{
    EXPECT_EQ(VersionInfo::getTargetCode(TargetType::None), QStringLiteral("XXX"));
    EXPECT_EQ(VersionInfo::getTargetCode(TargetType::Common), QStringLiteral("103"));
    EXPECT_EQ(VersionInfo::getTargetName(TargetType::Tarko12), QStringLiteral("ZM02"));
    EXPECT_EQ(VersionInfo::getTargetName(TargetType::None), QStringLiteral("不明な向け先"));
    EXPECT_THROW(VersionInfo::getTargetType(QStringLiteral("XXX")), AppError);
    EXPECT_DOUBLE_EQ(VersionInfo().binaryToGValue(1500), 1.5);
    EXPECT_DOUBLE_EQ(VersionInfo().binaryToGValue(0), 0.0);
    EXPECT_EQ(targetTypeFromRaw(153), TargetType::None);
    EXPECT_FALSE(targetTypeFromRaw(2));
}

TEST(PlaybackInfoLoad, DefaultsAndTheThreeKeys)
{
    PlaybackInfo p;
    EXPECT_EQ(p.userCarCode, QStringLiteral("不明"));
    EXPECT_EQ(p.title, QStringLiteral("なし"));
    EXPECT_EQ(p.movieFPS, QStringLiteral("99"));
    EXPECT_EQ(p.detectionType, DetectionType::GSensor);
    EXPECT_EQ(p.recordTime, p.detectTime);

    p.load(QStringLiteral("/nonexistent/Playback.inf"));
    EXPECT_EQ(p.userCarCode, QString());
    EXPECT_EQ(p.userDriverCode, QString());
    EXPECT_EQ(p.title, QStringLiteral("なし"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Playback.inf"));
    writeText(path, "[info]\nTITLE=lower\n[INFO]\nUSER_CAR_CODE=ABC\nUSER_DRIVER_CODE=\n");
    p.load(path);
    EXPECT_EQ(p.userCarCode, QStringLiteral("ABC"));
    EXPECT_EQ(p.userDriverCode, QString());
    EXPECT_EQ(p.title, QStringLiteral("なし"));
}

TEST(FullTimeData, KeysAndOrder)
{
    FullTimeDataInfo a;
    FullTimeDataInfo b;
    EXPECT_FALSE(a.checkAllProperties());
    EXPECT_FALSE(a.checkInfoByKey(b));
    a._userCarCode = b._userCarCode = QStringLiteral("C");
    a._userDriverCode = b._userDriverCode = QStringLiteral("D");
    a._startDate = b._startDate = QStringLiteral("20240305170809");
    a._creationDate = QStringLiteral("20240101000000");
    b._creationDate = QStringLiteral("20240102000000");
    EXPECT_TRUE(a.checkInfoByKey(b));
    EXPECT_EQ(a.CompareTo(&b), -1);
    EXPECT_EQ(b.CompareTo(&a), 1);
    EXPECT_EQ(a.CompareTo(nullptr), 0);
    b._userCarCode = QStringLiteral("c");
    EXPECT_EQ(a.CompareTo(&b), -1); // upper case first

    const QDateTime t(QDate(2024, 3, 5), QTime(17, 8, 9), Qt::LocalTime);
    a.setStartDate(t);
    EXPECT_EQ(a._startDate, QStringLiteral("20240305170809"));
}

TEST(CardContent, VideoIdsAndEmptyStatus)
{
    EXPECT_EQ(videoIdFromRaw(0x55), VideoId::Image);
    EXPECT_EQ(videoIdFromRaw(0xAA), VideoId::Sound);
    EXPECT_FALSE(videoIdFromRaw(0x00));
    const MemoryCardDataStatus s;
    EXPECT_FALSE(s.state || s.dataexist || s.datamixed || s.stateMemcardDriveInfo || s.stateMemcardEvent
                 || s.stateMemcardMovie || s.stateMemcardWave);
}
