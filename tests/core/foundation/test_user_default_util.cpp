#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
// Each test starts from an empty store and the initial statics.
class UserDefaultUtilTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store()->clear();
        UserDefaultUtil::resetToInitialValues();
    }
    void TearDown() override
    {
        store()->clear();
        UserDefaultUtil::resetToInitialValues();
    }
    static SettingsStore::Store* store() { return SettingsStore::open(); }
    static void put(const QString& key, const QVariant& value) { store()->setValue(key, value); }
};
} // namespace

TEST_F(UserDefaultUtilTest, EmptyStoreGivesInitialValues)
{
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::dateFormat, 0);
    EXPECT_EQ(UserDefaultUtil::timeZone, 0);
    EXPECT_FALSE(UserDefaultUtil::summerTime);
    EXPECT_TRUE(UserDefaultUtil::speedMeter);
    EXPECT_EQ(UserDefaultUtil::pathBackup, UserDefaultUtil::documentsPath());
    EXPECT_EQ(UserDefaultUtil::mapZoom, 15);
    EXPECT_EQ(UserDefaultUtil::mapTypeId, QStringLiteral("roadmap"));
    EXPECT_FLOAT_EQ(UserDefaultUtil::viewerVolume, 1.0f);
    EXPECT_DOUBLE_EQ(UserDefaultUtil::viewerGamma, 1.0);
    EXPECT_TRUE(UserDefaultUtil::dispCircleChart);
    EXPECT_FALSE(UserDefaultUtil::firstLaunch);
    EXPECT_EQ(UserDefaultUtil::mapWindowSize, QSize(480, 294));
}

TEST_F(UserDefaultUtilTest, IndexedSettingsAreRangeChecked)
{
    put(UserDefaultUtil::KEY_DATE_FORMAT, 2);
    put(UserDefaultUtil::KEY_TIME_ZONE, 7);
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::dateFormat, 0);
    EXPECT_EQ(UserDefaultUtil::timeZone, 0);

    put(UserDefaultUtil::KEY_DATE_FORMAT, 1);
    put(UserDefaultUtil::KEY_TIME_ZONE, 6);
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::dateFormat, 1);
    EXPECT_EQ(UserDefaultUtil::timeZone, 6);

    put(UserDefaultUtil::KEY_TIME_ZONE, -1);
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::timeZone, 0);

    put(UserDefaultUtil::KEY_DISP_CIRCLE_CHART_MAX_G, 1.25);
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::dispCircleChartMaxG, 0);
    put(UserDefaultUtil::KEY_DISP_CIRCLE_CHART_MAX_G, 3.0);
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::dispCircleChartMaxG, 5);
}

TEST_F(UserDefaultUtilTest, FolderSettingsFallBackToDocuments)
{
    QTemporaryDir dir;
    const QString gone = dir.filePath(QStringLiteral("deleted"));
    QDir().mkpath(gone);
    put(UserDefaultUtil::KEY_PATH_BACKUP, gone);
    put(UserDefaultUtil::KEY_PATH_DIR_CUT, gone);
    QDir(gone).removeRecursively();
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::pathBackup, UserDefaultUtil::documentsPath());
    EXPECT_EQ(UserDefaultUtil::pathDirCut, gone); // taken as stored

    put(UserDefaultUtil::KEY_PATH_BACKUP, dir.path());
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::pathBackup, dir.path());

    put(UserDefaultUtil::KEY_PATH_SELECT_FILE, QStringList{QStringLiteral("a"), QStringLiteral("b")});
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::pathSelectFile, UserDefaultUtil::documentsPath());

    put(UserDefaultUtil::KEY_PATH_DIR_GOOGLE_EARTH, QUrl::fromLocalFile(dir.path() + QStringLiteral("/")));
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::pathDirGoogleEarth.toLocalFile(), dir.path() + QStringLiteral("/"));
}

TEST_F(UserDefaultUtilTest, MapTypeThatIsNotTextDoesNotSkipTheRest)
{
    put(UserDefaultUtil::KEY_MAP_TYPE_ID, QStringList{QStringLiteral("x"), QStringLiteral("y")});
    put(UserDefaultUtil::KEY_VIEWER_VOLUME, 0.25);
    put(UserDefaultUtil::KEY_VIEWER_IS_MUTE, true);
    put(UserDefaultUtil::KEY_FIRST_LAUNCH, true);
    UserDefaultUtil::mapTypeId = QStringLiteral("satellite");
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::mapTypeId, QStringLiteral("roadmap"));
    EXPECT_FLOAT_EQ(UserDefaultUtil::viewerVolume, 0.25f);
    EXPECT_TRUE(UserDefaultUtil::viewerIsMute);
    EXPECT_TRUE(UserDefaultUtil::firstLaunch);
}

TEST_F(UserDefaultUtilTest, AbsentKeysKeepOrResetTheirStatics)
{
    put(UserDefaultUtil::KEY_SUMMER_TIME, true);
    put(UserDefaultUtil::KEY_TIME_ZONE, 4);
    UserDefaultUtil::load();
    EXPECT_TRUE(UserDefaultUtil::summerTime);
    store()->remove(UserDefaultUtil::KEY_SUMMER_TIME);
    store()->remove(UserDefaultUtil::KEY_TIME_ZONE);
    UserDefaultUtil::load();
    EXPECT_TRUE(UserDefaultUtil::summerTime); // absent: unchanged
    EXPECT_EQ(UserDefaultUtil::timeZone, 0);  // absent: back to 0
}

TEST_F(UserDefaultUtilTest, TypedValuesRoundTripThroughTheStore)
{
    put(UserDefaultUtil::KEY_MAP_ZOOM, 9);
    put(UserDefaultUtil::KEY_MAP_DISP_BALOON, false);
    put(UserDefaultUtil::KEY_VIEWER_GAMMA, 2.5);
    put(UserDefaultUtil::KEY_SPEED_METER, false);
    UserDefaultUtil::load();
    EXPECT_EQ(UserDefaultUtil::mapZoom, 9);
    EXPECT_FALSE(UserDefaultUtil::mapDispBaloon);
    EXPECT_DOUBLE_EQ(UserDefaultUtil::viewerGamma, 2.5);
    EXPECT_FALSE(UserDefaultUtil::speedMeter);
}

TEST_F(UserDefaultUtilTest, DialogReadersUseTheStoredValue)
{
    EXPECT_FALSE(UserDefaultUtil::readDateFormat());
    EXPECT_EQ(UserDefaultUtil::readTimeZone(), 0);
    EXPECT_TRUE(UserDefaultUtil::readSpeedMeter()); // absent: the static
    UserDefaultUtil::summerTime = true;
    EXPECT_TRUE(UserDefaultUtil::readSummerTime());
    put(UserDefaultUtil::KEY_DATE_FORMAT, 1);
    put(UserDefaultUtil::KEY_TIME_ZONE, 5);
    put(UserDefaultUtil::KEY_SUMMER_TIME, false);
    EXPECT_TRUE(UserDefaultUtil::readDateFormat());
    EXPECT_EQ(UserDefaultUtil::readTimeZone(), 5);
    EXPECT_FALSE(UserDefaultUtil::readSummerTime());
    put(UserDefaultUtil::KEY_TIME_ZONE, 0);
    EXPECT_EQ(UserDefaultUtil::readTimeZone(), 0);
}
