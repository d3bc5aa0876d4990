#include "mainwindow/MainWindow.h"

#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheApplicationTitleWhenNothingIsLoaded()
    {
        MainWindow window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("KORVELTA REPLAY"));
        QVERIFY(!window.grab().isNull());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
