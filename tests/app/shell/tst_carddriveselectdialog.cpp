#include "../../support/ModalHosts.h"
#include "TestMain.h"
#include "app/shell/CardDriveSelectDialog.h"
#include "app/shell/ModalWindow.h"
#include "core/foundation/SettingsStore.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

struct RecordingDelegate : CardDriveSelectDialogDelegate {
    bool canFinish = true;
    QStringList finished;
    int asked = 0;
    void cardDriveSelectDidFinish(const QString& path) override
    {
        finished.append(path);
        ModalWindow::abortModal(); // the Open road's delegate ends the run
    }
    bool cardDriveSelectCanFinish() override
    {
        ++asked;
        return canFinish;
    }
};

} // namespace

class TestCardDriveSelectDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
        InstanceGuard::setLockDirectory(m_dir.filePath(QStringLiteral("locks")));
        m_source = std::make_shared<FixedCardDriveSource>(
            QStringList{m_dir.filePath(QStringLiteral("B")), m_dir.filePath(QStringLiteral("A"))});
    }
    void init()
    {
        auto s = SettingsStore::open();
        s->clear();
    }
    void cleanup() { InstanceGuard::releaseAll(); }

    void listsTheGivenVolumesByNameInOrder()
    {
        CardDriveSelectDialog dialog(nullptr, m_source);
        dialog.userDefaultsKey = QStringLiteral("cardDriveSelect");
        dialog.showDialog();
        QCOMPARE(dialog.cardDriveName, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        QCOMPARE(dialog.cardDriveURLs,
                 (QStringList{m_dir.filePath(QStringLiteral("A")), m_dir.filePath(QStringLiteral("B"))}));
        QCOMPARE(dialog.cmbCardDriveFolder()->count(), 2);
        QCOMPARE(dialog.cmbCardDriveFolder()->itemText(1), QStringLiteral("B"));
        QCOMPARE(dialog.cmbCardDriveFolder()->currentIndex(), 0);
        QVERIFY(dialog.btnOk()->isEnabled());
    }

    void preselectsTheVolumeRememberedForTheSamePurpose()
    {
        {
            auto s = SettingsStore::open();
            s->setValue(QStringLiteral("cardDriveSelect"), QStringLiteral("B"));
            s->setValue(QStringLiteral("bodyCardDriveSelect"), QStringLiteral("A"));
        }
        CardDriveSelectDialog open(nullptr, m_source);
        open.userDefaultsKey = QStringLiteral("cardDriveSelect");
        open.showDialog();
        QCOMPARE(open.cmbCardDriveFolder()->currentText(), QStringLiteral("B"));

        CardDriveSelectDialog camera(nullptr, m_source);
        camera.userDefaultsKey = QStringLiteral("bodyCardDriveSelect");
        camera.selectCardDriveType = CardDriveType::CameraSetting;
        camera.showDialog();
        QCOMPARE(camera.cmbCardDriveFolder()->currentText(), QStringLiteral("A"));

        {
            auto s = SettingsStore::open();
            s->setValue(QStringLiteral("cardDriveSelect"), QStringLiteral("gone"));
        }
        open.showDialog();
        QCOMPARE(open.cmbCardDriveFolder()->currentIndex(), 0);
    }

    void okRemembersTheNameAndHandsOnTheMoveFolder()
    {
        CardDriveSelectDialog dialog(nullptr, m_source);
        RecordingDelegate delegate;
        dialog.delegate = &delegate;
        dialog.userDefaultsKey = QStringLiteral("cardDriveSelect");
        dialog.showDialog();
        dialog.cmbCardDriveFolder()->setCurrentIndex(1);
        runHosted(dialog, [&] { dialog.btnOk()->click(); });
        QCOMPARE(delegate.finished,
                 QStringList{m_dir.filePath(QStringLiteral("B")) + QStringLiteral("/MOVE/")});
        QCOMPARE(dialog.dirPathCard, m_dir.filePath(QStringLiteral("B")));
        QCOMPARE(SettingsStore::open()->value(QStringLiteral("cardDriveSelect")).toString(),
                 QStringLiteral("B"));
    }

    void okRefusedByTheDelegateChangesNothing()
    {
        CardDriveSelectDialog dialog(nullptr, m_source);
        RecordingDelegate delegate;
        delegate.canFinish = false;
        dialog.delegate = &delegate;
        dialog.userDefaultsKey = QStringLiteral("cardDriveSelect");
        dialog.showDialog();
        QVERIFY(!runHosted(dialog, [&] { dialog.btnOk()->click(); }));
        QCOMPARE(delegate.asked, 1);
        QVERIFY(delegate.finished.isEmpty());
        QVERIFY(dialog.dirPathCard.isEmpty());
        QVERIFY(!SettingsStore::open()->contains(QStringLiteral("cardDriveSelect")));
    }

    void defaultSourceServesPickerAndCount()
    {
        CardDriveSelectDialog::setDefaultSource(m_source);
        QCOMPARE(CardDriveSelectDialog::removableVolumeCount(), 2);
        CardDriveSelectDialog dialog;
        dialog.showDialog();
        QCOMPARE(dialog.cardDriveName, (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
        CardDriveSelectDialog::setDefaultSource(nullptr);
    }

    void emptyListDisablesOk()
    {
        CardDriveSelectDialog dialog(nullptr, std::make_shared<FixedCardDriveSource>(QStringList{}));
        RecordingDelegate delegate;
        dialog.delegate = &delegate;
        dialog.userDefaultsKey = QStringLiteral("cardDriveSelect");
        dialog.showDialog();
        QVERIFY(!dialog.btnOk()->isEnabled());
        dialog.btnOk_Click(); // even when reached some other way
        QCOMPARE(delegate.asked, 0);
        QVERIFY(delegate.finished.isEmpty());
    }

    void cameraRoadGivesBackItsLockOnOkAndCancel()
    {
        for (bool ok : {true, false}) {
            QVERIFY(InstanceGuard::tryAcquire(InstanceGuard::CAMERA_SETTING));
            CardDriveSelectDialog dialog(nullptr, m_source);
            RecordingDelegate delegate;
            dialog.delegate = &delegate;
            dialog.userDefaultsKey = QStringLiteral("bodyCardDriveSelect");
            dialog.selectCardDriveType = CardDriveType::CameraSetting;
            dialog.showDialog();
            QVERIFY(runHosted(dialog, [&] { (ok ? dialog.btnOk() : dialog.btnCancel())->click(); }));
            QVERIFY(!InstanceGuard::isHeldHere(InstanceGuard::CAMERA_SETTING));
        }
    }

    void cancelOnTheOpenRoadLeavesTheCameraLockAlone()
    {
        QVERIFY(InstanceGuard::tryAcquire(InstanceGuard::CAMERA_SETTING));
        CardDriveSelectDialog dialog(nullptr, m_source);
        dialog.userDefaultsKey = QStringLiteral("cardDriveSelect");
        dialog.showDialog();
        QVERIFY(runHosted(dialog, [&] { dialog.btnCancel()->click(); }));
        QVERIFY(InstanceGuard::isHeldHere(InstanceGuard::CAMERA_SETTING));
        QVERIFY(!SettingsStore::open()->contains(QStringLiteral("cardDriveSelect")));
    }

private:
    // Hosts the picker in a modal window, does `action` inside the run;
    // true when the run ended by it.
    bool runHosted(CardDriveSelectDialog& dialog, const std::function<void()>& action)
    {
        return ::runHosted(dialog, CardDriveSelectDialog::windowTitleText(),
                           CardDriveSelectDialog::CONTENT_SIZE, action);
    }

    QTemporaryDir m_dir;
    std::shared_ptr<FixedCardDriveSource> m_source;
};

KR_TEST_MAIN(TestCardDriveSelectDialog)
#include "tst_carddriveselectdialog.moc"
