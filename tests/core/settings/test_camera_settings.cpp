#include "core/settings/CameraSettingValues.h"
#include "core/settings/CameraSettingsFile.h"

#ifdef KR_HAVE_CARDGEN
#include "CardGen.h"
#endif

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using DataType = SettingInfo::DataType;
using Values = CameraSettingValues;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(CameraSettingValues, TheDefaultsWriteThisGroupFileByteForByte)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto result = CameraSettingsFile::saveGroupFile(Values().toSettingInfo(), dir.path());
    ASSERT_EQ(result.outcome, CameraSettingsFile::SaveOutcome::Saved);
    const QByteArray records = hex("00010714FFFFFFED"   // file information 07 14
                                   "0121FFFFFFFFFFDF"   // security 1, empty
                                   "0122FFFFFFFFFFDC"   // security 2, empty
                                   "030101FFFFFFFF03"   // buzzer action: high
                                   "030601FFFFFFFF04"   // buzzer operation: high
                                   "030701FFFFFFFF05"   // buzzer without card: high
                                   "030801FFFFFFFF0A"   // buzzer surveillance: high
                                   "08010050FFFFFFA6"   // G-trigger level 0.50 G
                                   "08110010FFFFFFF6"   // cross level 1
                                   "08120000FFFFFFE5"   // angle 0
                                   "100301FFFFFFFF12"   // standard mode
                                   "200001FFFFFFFF21"   // surveillance on, normal wake-up
                                   "20020030FFFFFFED"   // surveillance sensitivity 0.30 G
                                   "200401FFFFFFFF25"   // start delay 1
                                   "200501FFFFFFFF24"   // start delay 1
                                   "300001FFFFFFFF31"   // adventure mode on
                                   "30010100FFFFFFCF"); // 100 files
    const QByteArray written = readFile(QDir(dir.path()).filePath(QStringLiteral("GROUP.DAT")));
    ASSERT_EQ(written.size(), 32768);
    EXPECT_EQ(written.left(records.size()).toHex(), records.toHex());
    EXPECT_EQ(written.mid(records.size()), QByteArray(32768 - records.size(), char(0xFF)));
}

TEST(CameraSettingValues, ControlsTurnIntoItemsAsTheDialogSaves)
{
    Values v;
    v.pwrMode = 0;
    v.quickWakeUpTime = 45;
    EXPECT_TRUE(v.toSettingInfo().item(DataType::OpeTime).isEmpty());
    v.pwrMode = 1;
    EXPECT_EQ(v.toSettingInfo().item(DataType::OpeTime), hex("0045"));
    EXPECT_EQ(v.toSettingInfo().item(DataType::SurvRec), hex("02"));
    v.survOn = false;
    EXPECT_EQ(v.toSettingInfo().item(DataType::SurvRec), hex("00"));
    v.dtlSns = 0.29;
    EXPECT_EQ(v.toSettingInfo().item(DataType::GTrgLevel), hex("0029"));
    v.dtlSns = 0.57;
    EXPECT_EQ(v.toSettingInfo().item(DataType::GTrgLevel), hex("0057"));
    v.survStartDelay = 1;
    EXPECT_EQ(v.toSettingInfo().item(DataType::SurvAccOffTime), hex("02"));
    EXPECT_EQ(v.toSettingInfo().item(DataType::SurvAccOnTime), hex("02"));
    v.dtlAngle = -12;
    EXPECT_EQ(v.toSettingInfo().item(DataType::ModAngle), hex("0112"));
    EXPECT_TRUE(v.toSettingInfo().item(DataType::WiFiPass1).isEmpty());
    v.passInit = true;
    EXPECT_EQ(v.toSettingInfo().item(DataType::WiFiPass4), hex("0000000000"));
    // Items the dialog has no control for are never written.
    EXPECT_TRUE(v.toSettingInfo().item(DataType::DateTime).isEmpty());
    EXPECT_TRUE(v.toSettingInfo().item(DataType::GuidanceVolume).isEmpty());
}

TEST(CameraSettingValues, LoadTakesWhatDecodesAndFitsItsControl)
{
    SettingInfo card;
    card.setItem(DataType::GTrgLevel, hex("0045"));
    card.setSurvRec(true, false, 1);
    card.setRecFileCnt(9999);
    card.setItem(DataType::SurvGSensorX, hex("0099")); // beyond the slider
    card.setItem(DataType::QualityMode, hex("07"));
    card.setModAngle(true, 0);
    card.setItem(DataType::BuzzNoCard, hex("02"));
    Values v;
    EXPECT_TRUE(v.load(card)); // no device type: nothing to complain about
    EXPECT_DOUBLE_EQ(v.dtlSns, 0.45);
    EXPECT_TRUE(v.survOn);
    EXPECT_EQ(v.pwrMode, 1);
    EXPECT_EQ(v.fileCount, Values::FILE_COUNT_MAX);
    EXPECT_DOUBLE_EQ(v.survSns, Values::SUR_SENSOR_NORMAL);
    EXPECT_EQ(v.quality, 1);
    EXPECT_EQ(v.dtlAngle, 0);
    EXPECT_EQ(v.buzzers[Values::NoCard], 2);

    // A device type is known as 0 or 1 only.
    card.parseRecord(SettingInfo::buildRecord(SettingInfo::GRP_CD_DEVICETYPE, hex("02")));
    EXPECT_FALSE(v.load(card));
    card.parseRecord(SettingInfo::buildRecord(SettingInfo::GRP_CD_DEVICETYPE, hex("01")));
    card.setSurvRec(false, true, 0);
    EXPECT_TRUE(v.load(card));
    EXPECT_FALSE(v.survOn);
    EXPECT_EQ(v.pwrMode, 0);
}

TEST(CameraSettingValues, SensitivityTicksAreSymmetricSoSnappingAgreesWithTheSlider)
{
    // Every value the dialog can show is a tick, and so is its mirror 1 - v
    // that the slider holds; the presets lie on ticks.
    for (int h = Values::SENSITIVITY_MIN_HUNDREDTHS; h <= Values::SENSITIVITY_MAX_HUNDREDTHS; ++h) {
        EXPECT_DOUBLE_EQ(Values::snapSensitivity(h / 100.0), h / 100.0);
        EXPECT_DOUBLE_EQ(Values::snapSensitivity(1.0 - h / 100.0), (100 - h) / 100.0);
    }
    for (double preset : {Values::SENSOR_NORMAL, Values::SENSOR_HIGH, Values::SUR_SENSOR_NORMAL,
                          Values::SUR_SENSOR_HIGH})
        EXPECT_DOUBLE_EQ(Values::snapSensitivity(preset), preset);
    EXPECT_DOUBLE_EQ(Values::snapSensitivity(7.0), Values::sensitivityMax());
    EXPECT_EQ(Values::snapCross(2.6), 3);
    EXPECT_EQ(Values::snapAngle(-100), Values::ANGLE_MIN);
    EXPECT_EQ(Values::clampQuickWakeUp(12.9), 12);
    EXPECT_EQ(Values::clampQuickWakeUp(1000), Values::QUICK_WAKE_UP_MAX);
    EXPECT_EQ(Values::clampQuickWakeUp(-3), Values::QUICK_WAKE_UP_MIN);
    EXPECT_FALSE(Values::parseNumber(QStringLiteral("-")));
    EXPECT_FALSE(Values::parseNumber(QStringLiteral("1,5")));
    // The adventure read-outs of 100 files in the three qualities.
    EXPECT_EQ(Values::memoryText(100), QStringLiteral("3.52"));
    EXPECT_EQ(Values::recordingMinutes(100, 0), 67);
    EXPECT_EQ(Values::recordingMinutes(100, 1), 87);
    EXPECT_EQ(Values::recordingMinutes(100, 2), 132);
}

TEST(CameraSettingsFile, AFailedVerifyKeepsTheEarlierFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = QDir(dir.path()).filePath(QStringLiteral("GROUP.DAT"));
    Values first;
    ASSERT_EQ(CameraSettingsFile::saveGroupFile(first.toSettingInfo(), dir.path()).outcome,
              CameraSettingsFile::SaveOutcome::Saved);
    const QByteArray good = readFile(target);

    // The medium gives back other bytes than were written.
    CameraSettingsFile::setBeforeVerifyHook([](const QString& temporary) {
        QFile f(temporary);
        if (f.open(QIODevice::ReadWrite)) {
            f.seek(20);
            f.write("\x00", 1);
        }
    });
    Values second;
    second.fileCount = 500;
    const auto result = CameraSettingsFile::saveGroupFile(second.toSettingInfo(), dir.path());
    CameraSettingsFile::setBeforeVerifyHook({});
    EXPECT_EQ(result.outcome, CameraSettingsFile::SaveOutcome::NotVerified);
    EXPECT_TRUE(result.earlierFileKept);
    EXPECT_EQ(readFile(target), good);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("GROUP.DAT")});

    // A folder that does not exist: nothing written, nothing reported kept.
    const auto nowhere = CameraSettingsFile::saveGroupFile(first.toSettingInfo(), dir.filePath(QStringLiteral("x")));
    EXPECT_EQ(nowhere.outcome, CameraSettingsFile::SaveOutcome::NotWritten);
    EXPECT_FALSE(nowhere.earlierFileKept);
}

#ifdef KR_HAVE_CARDGEN
TEST(CameraSettingsFile, ReadsTheSettingsFileTheCardGeneratorWrites)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    cardgen::CardOptions card;
    card.managementFiles = false;
    card.versionFile = false;
    cardgen::writeCard(dir.path(), card);
    const auto loaded = CameraSettingsFile::readCardSettings(dir.path());
    ASSERT_TRUE(loaded);
    Values v;
    EXPECT_TRUE(v.load(*loaded));
    EXPECT_DOUBLE_EQ(v.dtlSns, 0.45);
    EXPECT_EQ(v.dtlCrs, 2);
    EXPECT_EQ(v.dtlAngle, -3);
    EXPECT_EQ(v.pwrMode, 1);
    EXPECT_EQ(v.quickWakeUpTime, 45);
    EXPECT_DOUBLE_EQ(v.survSns, 0.2);
    EXPECT_EQ(v.survStartDelay, 1);
    EXPECT_EQ(v.fileCount, 150);
    EXPECT_EQ(v.buzzers, (std::array<int, 4>{1, 0, 1, 2}));
    EXPECT_EQ(loaded->getGuidanceVolume(), 3);

    // Another format's file information, or none at all: not the supported format.
    for (const char* info : {"0001081510", "0002"}) {
        card.settingsRecords = {*cardgen::parseSettingsRecord(QString::fromLatin1(info).insert(4, QLatin1Char('='))),
                                *cardgen::parseSettingsRecord(QStringLiteral("0801=0045"))};
        cardgen::writeCard(dir.path(), card);
        EXPECT_FALSE(CameraSettingsFile::readCardSettings(dir.path())) << info;
    }
    QFile::remove(QDir(dir.path()).filePath(QStringLiteral("SETINF.DAT")));
    EXPECT_FALSE(CameraSettingsFile::readCardSettings(dir.path()));

    // The generator's record text: ASCII hex only (other scripts' digits
    // would decode to fewer bytes than they have pairs).
    EXPECT_EQ(cardgen::parseSettingsRecord(QStringLiteral("0801=0045")),
              cardgen::settingsRecord(0x08, 0x01, {0x00, 0x45}));
    EXPECT_FALSE(cardgen::parseSettingsRecord(QStringLiteral("\u0660\u0668\u0660\u0661=0045")));
    EXPECT_FALSE(cardgen::parseSettingsRecord(QStringLiteral("0801=\u0660\u0664")));
}
#endif
