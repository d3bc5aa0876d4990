// The camera-settings dialog: the card's values in its controls, typed
// values snapped onto the sliders, OK's confirmation, save and verify, and a
// screenshot whose controls are all inside the window and unclipped.

#include "AppTestSupport.h"
#include "LayoutCheck.h"
#include "TestMain.h"
#include "app/settings/CameraSettingDialog.h"
#include "app/settings/ValueStepper.h"
#include "core/settings/CameraSettingsFile.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using DataType = SettingInfo::DataType;

namespace {

void typeInto(QLineEdit* field, const QString& text)
{
    field->setText(text);
    Q_EMIT field->editingFinished();
}

QByteArray groupFile(const QString& folder)
{
    QFile f(QDir(folder).filePath(QStringLiteral("GROUP.DAT")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCameraSettingDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theCardsValuesFillTheControls()
    {
        apptest::AlertLog alerts;
        SettingInfo card;
        card.setItem(DataType::GTrgLevel, QByteArray::fromHex("0045"));
        card.setSurvRec(true, false, 1);
        card.parseRecord(SettingInfo::buildRecord(SettingInfo::GRP_CD_DEVICETYPE, QByteArray::fromHex("05")));
        CameraSettingDialog d;
        d.settingInfo = card;
        d.showDialog();
        QCOMPARE(d.txtDtlSns->text(), QStringLiteral("0.45"));
        QCOMPARE(d.steDtlSns->value(), 0.45);
        QCOMPARE(d.sliDtlSns->value(), 55); // the slider holds 1 - v
        QCOMPARE(d.cmbPwrMode->currentIndex(), 1);
        QVERIFY(d.txtQuikWakeUpTime->isEnabled() && d.steQuikWakeUpTime->isEnabled());
        // An unknown device type: the values are loaded and the user told.
        QCOMPARE(alerts.messages(), QStringList{QStringLiteral("Unable to read the setup file.")});
    }

    void typedValuesSnapOntoTheirSliders()
    {
        CameraSettingDialog d;
        d.showDialog();
        typeInto(d.txtDtlSns, QStringLiteral("0.333"));
        QCOMPARE(d.txtDtlSns->text(), QStringLiteral("0.33"));
        QCOMPARE(d.sliDtlSns->value(), 67);
        typeInto(d.txtSurvSns, QStringLiteral("2"));
        QCOMPARE(d.txtSurvSns->text(), QStringLiteral("0.95"));
        QCOMPARE(d.sliSurvSns->value(), d.sliSurvSns->minimum());
        typeInto(d.txtDtlCrs, QStringLiteral("abc"));
        QCOMPARE(d.txtDtlCrs->text(), QString::number(d.sliDtlCrs->value()));
        typeInto(d.txtDtlCrs, QStringLiteral("3.6"));
        QCOMPARE(d.sliDtlCrs->value(), 4);

        // While typing, a lone minus sign stays in the angle; a letter does not.
        d.txtDtlAngle->setFocus();
        d.txtDtlAngle->clear();
        QTest::keyClicks(d.txtDtlAngle, QStringLiteral("-"));
        QCOMPARE(d.txtDtlAngle->text(), QStringLiteral("-"));
        QTest::keyClicks(d.txtDtlAngle, QStringLiteral("x"));
        QCOMPARE(d.txtDtlAngle->text(), QStringLiteral("0"));

        d.cmbPwrMode->setCurrentIndex(1);
        d.pwrModeChanged();
        typeInto(d.txtQuikWakeUpTime, QStringLiteral("12.9"));
        QCOMPARE(d.txtQuikWakeUpTime->text(), QStringLiteral("12"));
        typeInto(d.txtQuikWakeUpTime, QStringLiteral("500"));
        QCOMPARE(d.txtQuikWakeUpTime->text(), QString::number(CameraSettingValues::QUICK_WAKE_UP_MAX));
        d.steQuikWakeUpTime->downButton()->click();
        QCOMPARE(d.txtQuikWakeUpTime->text(), QString::number(CameraSettingValues::QUICK_WAKE_UP_MAX - 1));

        // Steppers and sliders keep the triple in step.
        d.setDtlSnsValue(0.45);
        d.steDtlSns->upButton()->click();
        QCOMPARE(d.txtDtlSns->text(), QStringLiteral("0.46"));
        QCOMPARE(d.sliDtlSns->value(), 54);
        d.sliSurvSns->setValue(80);
        QCOMPARE(d.txtSurvSns->text(), QStringLiteral("0.20"));
        QCOMPARE(d.steSurvSns->value(), 0.2);

        // Reset all puts every default back; the lists are filled once.
        d.MatrSurvMode->button(1)->setChecked(true);
        d.chkPassInit->setChecked(true);
        d.sliMA->setValue(300);
        d.btnResetAll->click();
        d.setupPopups();
        QCOMPARE(d.cmbQuality->count(), 3);
        const CameraSettingValues v = d.values();
        QVERIFY(v.survOn && v.advOn && !v.passInit && v.pwrMode == 0);
        QCOMPARE(v.fileCount, 100);
        QCOMPARE(d.txtDtlSns->text(), QStringLiteral("0.50"));
        QCOMPARE(d.txtMATime->text(), QStringLiteral("87"));
    }

    void okWritesTheGroupFileOnlyAfterConfirmationAndVerification()
    {
        QTemporaryDir card;
        QVERIFY(card.isValid());
        CameraSettingDialog d;
        d.showDialog();
        d.cmbPwrMode->setCurrentIndex(1);
        d.pwrModeChanged();
        d.txtQuikWakeUpTime->setText(QStringLiteral("45"));
        int answer = Alerts::FIRST_BUTTON + 1; // the question's Cancel
        QStringList seen;
        Alerts::setInterceptor([&](const Alerts::Alert& a) {
            seen << a.message;
            return a.buttons.size() > 1 ? answer : Alerts::FIRST_BUTTON;
        });
        d.defaultDirPath = card.path();
        d.btnOk->click();
        QCOMPARE(seen, QStringList{QStringLiteral("This will overwrite the setup file. Are you sure?")});
        QVERIFY(groupFile(card.path()).isEmpty());

        answer = Alerts::FIRST_BUTTON;
        d.defaultDirPath.clear();
        d.btnOk->click();
        QCOMPARE(seen.value(2), QStringLiteral("Unable to overwrite the setup file."));

        d.defaultDirPath = card.path();
        d.btnOk->click();
        QVERIFY(seen.value(4).startsWith(QStringLiteral("The camera settings have been saved.")));
        const QByteArray earlier = groupFile(card.path());
        SettingInfo back;
        back.loadGroupData(earlier);
        QCOMPARE(back.getOpeTime(), 45);

        // The medium gives back other bytes: the user is told, the file that
        // was there stays, and the dialog keeps what the user set.
        CameraSettingsFile::setBeforeVerifyHook([](const QString& temporary) { QFile::resize(temporary, 100); });
        d.sliMA->setValue(500);
        d.btnOk->click();
        CameraSettingsFile::setBeforeVerifyHook({});
        Alerts::setInterceptor({});
        QVERIFY(seen.value(6).startsWith(QStringLiteral("Unable to overwrite the setup file.")));
        QVERIFY(seen.value(6).contains(QStringLiteral("unchanged")));
        QCOMPARE(groupFile(card.path()), earlier);
        QCOMPARE(d.sliMA->value(), 500);
    }

    void screenshotShowsEveryControlInsideTheWindowUnclipped()
    {
        CameraSettingDialog d;
        d.showDialog();
        d.setFixedSize(CameraSettingDialog::CONTENT_SIZE);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        const QImage shot = d.grab().toImage();
        shot.save(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("camera-settings.png")));
        QCOMPARE(shot.size() / shot.devicePixelRatio(), CameraSettingDialog::CONTENT_SIZE);
        const QStringList problems = layoutcheck::problems(&d);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

KR_TEST_MAIN(TestCameraSettingDialog)
#include "tst_camerasettingdialog.moc"
