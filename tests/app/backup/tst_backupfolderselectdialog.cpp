#include "../../support/ModalHosts.h"
#include "TestMain.h"
#include "app/backup/BackUpFolderSelectDialog.h"
#include "app/shell/Alerts.h"
#include "app/shell/ModalWindow.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// The main window's open road: it answers the stopwatch question and records
// what it is asked to open.
struct RecordingDelegate : OpenRoad {
    bool canFinish = true;
    QStringList opened;
    QList<MovieType> kinds;
    void loadData(const QString& path, bool, MovieType kind) override
    {
        opened.append(path);
        kinds.append(kind);
    }
    bool confirmStopwatchDiscard() override { return canFinish; }
};

} // namespace

class TestBackUpFolderSelectDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
        InstanceGuard::setLockDirectory(m_dir.filePath(QStringLiteral("locks")));
        m_root = m_dir.filePath(QStringLiteral("backups"));
        QDir d;
        for (const char* name : {"b", "A", "a", ".hidden", "a/inner"})
            QVERIFY(d.mkpath(m_root + QLatin1Char('/') + QString::fromLatin1(name)));
        QFile f(m_root + QStringLiteral("/plain.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    void init()
    {
        setBackupPath(m_root);
        m_alerts.clear();
        Alerts::setInterceptor([this](const Alerts::Alert& a) {
            m_alerts.append(a);
            return Alerts::FIRST_BUTTON;
        });
    }
    void cleanup()
    {
        Alerts::setInterceptor({});
        InstanceGuard::releaseAll();
        UserDefaultUtil::resetToInitialValues();
    }

    void listsVisibleSubfoldersOfTheBackupPathInCodePointOrder()
    {
        BackUpFolderSelectDialog dialog;
        QCOMPARE(dialog.backupFolderPath, m_root);
        QCOMPARE(dialog.backupFolders,
                 (QStringList{QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(dialog.cmbBackupFolder()->count(), 3);
        QCOMPARE(dialog.cmbBackupFolder()->currentText(), QStringLiteral("A"));
        QCOMPARE(dialog.txtMessage()->text(), QStringLiteral("Select backup folder"));
        QVERIFY(m_alerts.isEmpty());
    }

    void reloadFollowsTheCurrentSettingAndMode()
    {
        BackUpFolderSelectDialog dialog;
        const QString other = m_dir.filePath(QStringLiteral("other"));
        // Clean-up lists only folders a backup made (a movie folder inside).
        QVERIFY(QDir().mkpath(other + QStringLiteral("/only/MOVE001")));
        QVERIFY(QDir().mkpath(other + QStringLiteral("/plain")));
        setBackupPath(other);
        dialog.mode = BackUpFolderSelectDialog::Mode::Cleanup;
        dialog.loadFolders();
        QCOMPARE(dialog.backupFolders, QStringList{QStringLiteral("only")});
        QCOMPARE(dialog.txtMessage()->text(), QStringLiteral("Select Folder to delete"));
    }

    void okOpensTheChosenFolderThroughTheDelegate()
    {
        BackUpFolderSelectDialog dialog;
        RecordingDelegate delegate;
        dialog.delegate = &delegate;
        dialog.cmbBackupFolder()->setCurrentIndex(2);
        QVERIFY(runHosted(dialog, [&] { dialog.btnOk()->click(); }));
        QCOMPARE(delegate.opened, QStringList{m_root + QStringLiteral("/b")});
        QVERIFY(delegate.kinds == QList<MovieType>{MovieType::Backup});
    }

    void okDeclinedOrWithoutDelegateDoesNothing()
    {
        BackUpFolderSelectDialog dialog;
        QVERIFY(!runHosted(dialog, [&] { dialog.btnOk()->click(); }));
        RecordingDelegate delegate;
        delegate.canFinish = false;
        dialog.delegate = &delegate;
        QVERIFY(!runHosted(dialog, [&] { dialog.btnOk()->click(); }));
        QVERIFY(delegate.opened.isEmpty());
        QVERIFY(m_alerts.isEmpty());
    }

    void okWithAnEmptyListAsksToSelectAFolder()
    {
        const QString empty = m_dir.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(empty));
        setBackupPath(empty);
        BackUpFolderSelectDialog dialog;
        RecordingDelegate delegate;
        dialog.delegate = &delegate;
        QVERIFY(!runHosted(dialog, [&] { dialog.btnOk()->click(); }));
        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts[0].title, QStringLiteral("Warning"));
        QCOMPARE(m_alerts[0].message, QStringLiteral("Select folder"));
        QVERIFY(delegate.opened.isEmpty());
    }

    void unreadableBackupFolderWarnsAndListsNothing()
    {
        BackUpFolderSelectDialog dialog;
        m_alerts.clear();
        dialog.backupFolderPath =
            m_root + QStringLiteral("/plain.txt"); // gone or replaced since the setting was read
        QVERIFY(dialog.subfolderNames().isEmpty());
        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts[0].title, QStringLiteral("Warning"));
        QCOMPARE(m_alerts[0].style, Alerts::Style::Critical);
        QVERIFY(!m_alerts[0].message.isEmpty());
    }

    void missingBackupPathFallsBackToDocuments()
    {
        setBackupPath(m_dir.filePath(QStringLiteral("no-such-folder")));
        BackUpFolderSelectDialog dialog;
        QCOMPARE(dialog.backupFolderPath, UserDefaultUtil::documentsPath());
    }

    void cancelEndsTheRunAndLeavesTheDeleteLockToTheCommandThatTookIt()
    {
        // Opening a backup never takes the clean-up's lock, so its Cancel
        // must not give away one the Delete command holds.
        QVERIFY(InstanceGuard::tryAcquire(InstanceGuard::BACKUP_DELETE));
        BackUpFolderSelectDialog dialog;
        QVERIFY(runHosted(dialog, [&] { dialog.btnCancel()->click(); }));
        QVERIFY(InstanceGuard::isHeldHere(InstanceGuard::BACKUP_DELETE));
    }

private:
    void setBackupPath(const QString& path)
    {
        auto s = SettingsStore::open();
        s->setValue(UserDefaultUtil::KEY_PATH_BACKUP, path);
    }

    bool runHosted(BackUpFolderSelectDialog& dialog, const std::function<void()>& action)
    {
        return ::runHosted(dialog, BackUpFolderSelectDialog::windowTitleText(),
                           BackUpFolderSelectDialog::CONTENT_SIZE, action);
    }

    QTemporaryDir m_dir;
    QString m_root;
    QList<Alerts::Alert> m_alerts;
};

KR_TEST_MAIN(TestBackUpFolderSelectDialog)
#include "tst_backupfolderselectdialog.moc"
