#include "TestMain.h"
#include "app/mainwindow/Reachability.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

namespace {
quint16 freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}
} // namespace

class TestReachability : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void retryIntervalIsFiveSeconds() { QCOMPARE(MapReachability::RETRY_INTERVAL_MS, 5000); }

    void answeringHostAtStartNeedsNoTimer()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        MapReachability watch(QStringLiteral("127.0.0.1"), server.serverPort());
        QSignalSpy probed(&watch, &MapReachability::startupProbeFinished);
        watch.start();
        QVERIFY(probed.wait(5000));
        QCOMPARE(probed.at(0).at(0).toBool(), true);
        QVERIFY(!watch.isRetrying());
    }

    void probeNeverBlocksTheCaller()
    {
        // Name look-up and connection run in the background: start() returns
        // at once, and the answer (whatever the network says) comes once.
        ReachabilityProbe probe(QStringLiteral("reachability-test.invalid"), 443, 300);
        QSignalSpy done(&probe, &ReachabilityProbe::finished);
        QElapsedTimer t;
        t.start();
        probe.start();
        QVERIFY(t.elapsed() < 200);
        QVERIFY(done.wait(5000));
        QCOMPARE(done.at(0).at(0).toBool(), false);
        QTest::qWait(400);
        QCOMPARE(done.count(), 1);
    }

    void silentHostStartsTheRetryWhichReloadsOnceTheHostAnswers()
    {
        const quint16 port = freePort();
        MapReachability watch(QStringLiteral("127.0.0.1"), port);
        watch.setRetryInterval(50);
        watch.setProbeTimeout(1000);
        int loads = 0;
        watch.setOnReachable([&] {
            ++loads;
            return true;
        });
        QSignalSpy probed(&watch, &MapReachability::startupProbeFinished);
        QSignalSpy reloaded(&watch, &MapReachability::pageReloaded);
        watch.start();
        QVERIFY(probed.wait(5000));
        QCOMPARE(probed.at(0).at(0).toBool(), false);
        QVERIFY(watch.isRetrying());
        QTest::qWait(200);
        QCOMPARE(loads, 0);

        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, port));
        QVERIFY(reloaded.wait(5000));
        QCOMPARE(loads, 1);
        QVERIFY(!watch.isRetrying());
    }

    void pageThatCouldNotLoadKeepsTheTimerRunning()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const quint16 port = server.serverPort();
        server.close();
        MapReachability watch(QStringLiteral("127.0.0.1"), port);
        watch.setRetryInterval(50);
        int loads = 0;
        watch.setOnReachable([&] {
            ++loads;
            return false;
        });
        QSignalSpy probed(&watch, &MapReachability::startupProbeFinished);
        watch.start();
        QVERIFY(probed.wait(5000));
        QVERIFY(server.listen(QHostAddress::LocalHost, port));
        QTRY_VERIFY_WITH_TIMEOUT(loads >= 2, 5000);
        QVERIFY(watch.isRetrying());
    }
};

KR_TEST_MAIN(TestReachability)
#include "tst_reachability.moc"
