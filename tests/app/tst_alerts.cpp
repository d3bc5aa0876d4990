// Every question the application asks, answered on the real message box the
// way a hurried user answers it: Escape, the window's close button, or the
// button that goes ahead. Escape and closing must give the safe answer, and
// each button must carry the role of its meaning.

#include "AppTestSupport.h"
#include "app/mainwindow/Alerts.h"
#include "app/mainwindow/MainWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

struct Stopwatch : StopWatchInterface {
    int resets = 0;
    bool isReady() const override { return resets > 0; }
    void reset() override { ++resets; }
};

enum class Way { Escape, Close, GoAhead };

// Answers the next message box in the given way. `seen` holds what it
// offered: "text:role" per button, then the Escape and the default button's
// texts; "stayed open" when the answer did not close it (it is then ended with
// its last button, so that the test fails instead of hanging).
struct NextBox {
    QStringList seen;
    QTimer poll;

    NextBox(Way way, const QString& goAhead)
    {
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [this, way, goAhead] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            poll.stop();
            for (QAbstractButton* b : box->buttons())
                seen << QStringLiteral("%1:%2").arg(b->text()).arg(int(box->buttonRole(b)));
            seen << (box->escapeButton() ? box->escapeButton()->text() : QString())
                 << box->defaultButton()->text();
            if (way == Way::Escape) QTest::keyClick(box, Qt::Key_Escape);
            if (way == Way::Close) box->close();
            for (QAbstractButton* b : box->buttons())
                if (way == Way::GoAhead && b->text() == goAhead) b->click();
            QPointer<QMessageBox> open(box);
            QTimer::singleShot(100, &poll, [this, open] {
                if (!open || !open->isVisible()) return;
                seen << QStringLiteral("stayed open");
                open->buttons().constLast()->click();
            });
        });
        poll.start();
    }
};

} // namespace

Q_DECLARE_METATYPE(Way)

class TestAlerts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        apptest::useOwnSettings(m_dir);
    }

    void everyQuestionTakesTheSafeAnswerOnEscapeAndClose_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<Way>("way");
        // The question the application asks today, then the two other
        // shapes its questions take: "OK" first, and "No" then "Yes".
        for (const char* q : {"stopwatch result", "OK then Cancel", "No then Yes"}) {
            QTest::addRow("%s: Escape", q) << QString::fromLatin1(q) << Way::Escape;
            QTest::addRow("%s: close", q) << QString::fromLatin1(q) << Way::Close;
            QTest::addRow("%s: go ahead", q) << QString::fromLatin1(q) << Way::GoAhead;
        }
    }

    void everyQuestionTakesTheSafeAnswerOnEscapeAndClose()
    {
        QFETCH(QString, question);
        QFETCH(Way, way);
        MainWindow window(nullptr, apptest::offlineOptions(false));
        Stopwatch stopwatch;
        window.controller()->setStopWatch(&stopwatch);

        const QString ok = Alerts::buttonOk(), cancel = Alerts::buttonCancel();
        const QString yes = Alerts::buttonYes(), no = Alerts::buttonNo();
        const auto role = [](const QString& text, QMessageBox::ButtonRole r) {
            return QStringLiteral("%1:%2").arg(text).arg(int(r));
        };
        NextBox next(way, question == QLatin1String("No then Yes") ? yes : ok);
        bool wentAhead = false;
        QStringList expected;
        if (question == QLatin1String("stopwatch result")) {
            wentAhead = window.controller()->confirmStopwatchDiscard();
            // Only going ahead drops the measurement.
            QCOMPARE(stopwatch.resets, wentAhead ? 1 : 0);
            expected = {role(cancel, QMessageBox::RejectRole), role(ok, QMessageBox::AcceptRole), cancel,
                        cancel};
        } else if (question == QLatin1String("OK then Cancel")) {
            wentAhead = Alerts::confirm(&window, QStringLiteral("Overwrite?")) == Alerts::FIRST_BUTTON;
            expected = {role(ok, QMessageBox::AcceptRole), role(cancel, QMessageBox::RejectRole), cancel, ok};
        } else {
            wentAhead =
                Alerts::confirm(&window, QStringLiteral("Launch?"), {no, yes}) == Alerts::FIRST_BUTTON + 1;
            expected = {role(no, QMessageBox::NoRole), role(yes, QMessageBox::YesRole), no, no};
        }
        QStringList offered = next.seen;
        QVERIFY(offered.size() >= 2);
        // Buttons of one role may be laid out in any order.
        std::sort(offered.begin(), offered.begin() + 2);
        std::sort(expected.begin(), expected.begin() + 2);
        QCOMPARE(offered, expected);
        QCOMPARE(wentAhead, way == Way::GoAhead);
    }

    void aNoticeClosesWithEscapeAndAChoiceWithoutSafeButtonHasNoEscape()
    {
        NextBox next(Way::Escape, QString());
        QCOMPARE(Alerts::warning(nullptr, QStringLiteral("Unable to locate the file.")),
                 Alerts::FIRST_BUTTON);
        QCOMPARE(next.seen.size(), 3); // one button, Escape and default on it
        QCOMPARE(next.seen.at(1), Alerts::buttonOk());

        Alerts::Alert choice{Alerts::titleWarning(),
                             QStringLiteral("x"),
                             Alerts::Style::Critical,
                             {QStringLiteral("Retry"), QStringLiteral("ignore")}};
        QVERIFY(!Alerts::escapeAnswer(choice));
        choice.buttons.insert(1, Alerts::buttonCancel());
        QCOMPARE(Alerts::escapeAnswer(choice), std::optional<int>(Alerts::FIRST_BUTTON + 1));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestAlerts)
#include "tst_alerts.moc"
