#include "core/foundation/CommonConst.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(CommonConst, IconIdsHaveTheirFixedRawValuesOnly)
{
    EXPECT_EQ(iconIdFromRaw(7), IconId::East);
    EXPECT_EQ(iconIdFromRaw(9), IconId::North);
    EXPECT_EQ(iconIdFromRaw(68), IconId::Pin_Gray_focus);
    for (int bad : {0, 28, 52, 64, 69, -1}) EXPECT_FALSE(iconIdFromRaw(bad).has_value()) << bad;
    int valid = 0;
    for (int raw = -10; raw < 100; ++raw) valid += iconIdFromRaw(raw).has_value();
    EXPECT_EQ(valid, 37);
}

TEST(CommonConst, ViolationTypesStartAtMinusOne)
{
    EXPECT_EQ(violationTypeFromRaw(-1), ViolationType::All);
    EXPECT_EQ(violationTypeFromRaw(8), ViolationType::VelocityGDetection);
    EXPECT_FALSE(violationTypeFromRaw(9).has_value());
    EXPECT_FALSE(violationTypeFromRaw(-2).has_value());
    EXPECT_EQ(static_cast<int>(ViolationType::Overspeed), 0);
}

TEST(CommonConst, FixedValues)
{
    EXPECT_EQ(CommonConst::fpsOf(CommonConst::RecMode::HighQuality), CommonConst::fpsOf(CommonConst::RecMode::LongRec));
    EXPECT_EQ(CommonConst::fpsOf(CommonConst::RecMode::Nomal), 28.0f);
    ASSERT_EQ(CommonConst::IMAGE_DATA_IDENTIFIER().size(), 14);
    EXPECT_TRUE(CommonConst::IMAGE_DATA_IDENTIFIER().startsWith("VARNOKI-SEL."));
    EXPECT_EQ(CommonConst::IMAGE_DATA_IDENTIFIER().at(12), '\0');
    EXPECT_EQ(CommonConst::IMAGE_DATA_IDENTIFIER().at(13), '\0');
    EXPECT_EQ(CommonConst::APP_TITLE.size(), 15);
    EXPECT_DOUBLE_EQ(CommonConst::captionSize(1080), 30.0);
    EXPECT_EQ(CommonConst::DEFAULT_DATE().date().year(), 1);
}

TEST(CommonConst, TemporaryFolderIsPrivateToTheUser)
{
    const QString tmp = CommonConst::DIR_PATH_TMP();
    EXPECT_TRUE(tmp.endsWith(QStringLiteral("/TMP/")));
    EXPECT_TRUE(tmp.contains(QString::number(::getuid())));
    EXPECT_TRUE(QFileInfo(tmp).isDir());
    struct stat st {};
    const QString parent = QFileInfo(tmp.chopped(1)).absolutePath();
    ASSERT_EQ(::stat(QFile::encodeName(parent).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(st.st_uid, ::getuid());
    EXPECT_EQ(CommonConst::DIR_PATH_THUMB(), tmp + QStringLiteral("THUMB/"));
    EXPECT_EQ(CommonConst::DIR_PATH_MAP(), tmp + QStringLiteral("MAP/"));
}
