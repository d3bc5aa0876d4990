#include "app/shell/Alerts.h"
#include "app/shell/OperationGuard.h"
#include "core/foundation/SettingsStore.h"
#include "core/mainwindow/InstanceGuard.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>

// The second copy of the application, as far as the guards go: takes one
// operation's lock, says so on its output and keeps it until its input ends.
static int holdGuard(const char* lockDir, const char* key)
{
    InstanceGuard::setLockDirectory(QFile::decodeName(lockDir));
    const bool held = InstanceGuard::tryAcquire(QString::fromLatin1(key));
    std::fputs(held ? "held\n" : "refused\n", stdout);
    std::fflush(stdout);
    int c = 0;
    while ((c = std::getchar()) != EOF) {
    }
    InstanceGuard::releaseAll();
    return held ? 0 : 1;
}

class TestInstanceGuard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
        m_lockDir = m_dir.filePath(QStringLiteral("locks"));
        InstanceGuard::setLockDirectory(m_lockDir);
    }
    void init()
    {
        m_alerts.clear();
        Alerts::setInterceptor([this](const Alerts::Alert& a) {
            m_alerts.append(a);
            return Alerts::FIRST_BUTTON;
        });
    }
    void cleanup()
    {
        InstanceGuard::releaseAll();
        Alerts::setInterceptor({});
    }

    void operationHeldByAnotherCopyIsRefusedWithTheAlert()
    {
        QProcess other;
        startHolder(other, InstanceGuard::BACKUP_SETTING);

        QVERIFY(!OperationGuard::begin(InstanceGuard::BACKUP_SETTING, nullptr));
        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts[0].title, QStringLiteral("Warning"));
        QCOMPARE(
            m_alerts[0].message,
            QStringLiteral(
                "The selected file operation is currently in use by another instance of the application."));
        QCOMPARE(m_alerts[0].style, Alerts::Style::Critical);

        // Another operation is not affected.
        QVERIFY(OperationGuard::begin(InstanceGuard::BACKUP_DELETE, nullptr));

        // When the other copy ends its operation, this one may start it.
        other.closeWriteChannel();
        QVERIFY(other.waitForFinished(10000));
        QVERIFY(OperationGuard::begin(InstanceGuard::BACKUP_SETTING, nullptr));
        QCOMPARE(m_alerts.size(), 1);
    }

    void operationHeldHereIsRefusedInTheOtherCopy()
    {
        QVERIFY(OperationGuard::begin(InstanceGuard::VIEWER_SETTING, nullptr));
        QProcess other;
        other.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--hold"), m_lockDir, InstanceGuard::VIEWER_SETTING});
        QVERIFY(other.waitForStarted());
        QVERIFY(other.waitForReadyRead(10000));
        QCOMPARE(other.readLine().trimmed(), QByteArray("refused"));
        other.closeWriteChannel();
        QVERIFY(other.waitForFinished(10000));
    }

    void lockOfACrashedCopyIsRecovered()
    {
        QProcess other;
        startHolder(other, InstanceGuard::CAMERA_SETTING);
        ::kill(static_cast<pid_t>(other.processId()), SIGKILL);
        QVERIFY(other.waitForFinished(10000));
        QVERIFY(QFile::exists(m_lockDir + QStringLiteral("/cameraSettingFlg.lock")));

        QVERIFY(OperationGuard::begin(InstanceGuard::CAMERA_SETTING, nullptr));
        QVERIFY(m_alerts.isEmpty());
    }

    void copiesRacingForOneOperationNeverBothPass()
    {
        // Several copies started together, each trying the same operation:
        // exactly one gets it.
        std::vector<std::unique_ptr<QProcess>> copies;
        for (int i = 0; i < 6; ++i) {
            copies.push_back(std::make_unique<QProcess>());
            copies.back()->start(QCoreApplication::applicationFilePath(),
                                 {QStringLiteral("--hold"), m_lockDir, InstanceGuard::BACKUP_DELETE});
        }
        int held = 0;
        for (auto& p : copies) {
            QVERIFY(p->waitForStarted());
            QVERIFY(p->waitForReadyRead(10000));
            if (p->readLine().trimmed() == "held") ++held;
        }
        QCOMPARE(held, 1);
        for (auto& p : copies) {
            p->closeWriteChannel();
            QVERIFY(p->waitForFinished(10000));
        }
    }

private:
    void startHolder(QProcess& p, const QString& key)
    {
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold"), m_lockDir, key});
        QVERIFY(p.waitForStarted());
        QVERIFY(p.waitForReadyRead(10000));
        QCOMPARE(p.readLine().trimmed(), QByteArray("held"));
    }

    QTemporaryDir m_dir;
    QString m_lockDir;
    QList<Alerts::Alert> m_alerts;
};

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--hold") == 0) {
        QCoreApplication app(argc, argv);
        return holdGuard(argv[2], argv[3]);
    }
    QApplication app(argc, argv);
    TestInstanceGuard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instanceguard.moc"
