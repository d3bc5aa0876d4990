#include "TestMain.h"
#include "app/player/NSZoomView.h"
#include "app/player/PlayerImages.h"
#include "app/player/PlayerView.h"
#include "app/player/ZoomMenuController.h"
#include "app/shell/EXTextButton.h"

#include <QPushButton>
#include <QtTest>

using Scale = PlayerView::ScaleType;

namespace {

struct Host : ZoomMenuHost {
    int refreshes = 0;
    int focuses = 0;
    int placings = 0;
    void updateButtonState() override { ++refreshes; }
    void focusPanel() override { ++focuses; }
    void placeZoomMenu() override { ++placings; }
};

// The player panel in its column, above the driving-data panel's place.
struct Rig {
    QWidget column;
    QWidget panel{&column};
    QWidget below{&column};
    PlayerView* view = new PlayerView(&panel);
    NSZoomView* menu = new NSZoomView(&panel);
    QPushButton* zoomButton = new QPushButton(&panel);
    std::array<EXTextButton*, 5> buttons{};
    Host host;
    std::unique_ptr<ZoomMenuController> zoom;

    Rig()
    {
        column.resize(800, 700);
        panel.setGeometry(0, 0, 800, 500);
        below.setGeometry(0, 500, 800, 200);
        view->setGeometry(0, 0, 800, 450);
        menu->setGeometry(600, 300, 60, 150);
        for (int i = 0; i < 5; ++i) {
            buttons[static_cast<size_t>(i)] = new EXTextButton(menu);
            buttons[static_cast<size_t>(i)]->setGeometry(6, 6 + i * 28, 48, 24);
            buttons[static_cast<size_t>(i)]->setText(QStringLiteral("×%1").arg(i + 1));
            buttons[static_cast<size_t>(i)]->setImage(PlayerImages::image(QStringLiteral("zoom_plate")));
            buttons[static_cast<size_t>(i)]->setMouseOverImage(PlayerImages::image(QStringLiteral("zoom_plate_over")));
        }
        zoom = std::make_unique<ZoomMenuController>(
            ZoomMenuController::Parts{view, menu, zoomButton, buttons, &panel}, host);
        column.show();
    }
};

} // namespace

class TestZoomMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openingShowsTheMenuOverAClickCatchingOverlay()
    {
        Rig rig;
        rig.zoom->openZoomMenu();
        QVERIFY(rig.menu->isVisible());
        QVERIFY(rig.zoomButton->isChecked());
        QVERIFY(rig.zoom->filterView()->isVisible());
        QCOMPARE(rig.host.focuses, 1);
        QCOMPARE(rig.host.placings, 1);
        // The overlay takes the pointer over the whole column, the panel
        // below the player too, but for the menu, whose buttons still take it.
        const auto under = [&](QWidget* w, QPoint at) { return rig.column.childAt(w->mapTo(&rig.column, at)); };
        QCOMPARE(under(&rig.below, QPoint(400, 100)), rig.zoom->filterView());
        QCOMPARE(under(rig.view, QPoint(50, 50)), rig.zoom->filterView());
        QCOMPARE(under(rig.buttons[2], QPoint(10, 10)), rig.buttons[2]);
        QTest::mouseClick(rig.buttons[2], Qt::LeftButton);
        QCOMPARE(rig.view->playerScale, Scale::Scale_x3);
        QVERIFY(!rig.menu->isVisible());
        QVERIFY(rig.zoomButton->isChecked());
        QVERIFY(!rig.zoom->filterView()->isVisible());
    }

    void arrowKeysWrapAroundTheFiveFactors()
    {
        Rig rig;
        rig.zoom->openZoomMenu();
        QVERIFY(rig.zoom->handleKey(Qt::Key_Right));
        QCOMPARE(rig.zoom->hoveredZoomIndex(), 0);
        QVERIFY(rig.buttons[0]->zoomButtonForKey());
        for (int i = 0; i < 4; ++i)
            rig.zoom->handleKey(Qt::Key_Down);
        QCOMPARE(rig.zoom->hoveredZoomIndex(), 4);
        rig.zoom->handleKey(Qt::Key_Right);
        QCOMPARE(rig.zoom->hoveredZoomIndex(), 0);
        rig.zoom->handleKey(Qt::Key_Left);
        QCOMPARE(rig.zoom->hoveredZoomIndex(), 4);
        rig.zoom->handleKey(Qt::Key_Up);
        QCOMPARE(rig.zoom->hoveredZoomIndex(), 3);
        // While keyboard-driven, the pointer entering another button changes nothing.
        rig.buttons[1]->mouseEntered(true);
        QCOMPARE(rig.zoom->hoveredZoomIndex(), 3);
        QVERIFY(rig.zoom->handleKey(Qt::Key_Return));
        QCOMPARE(rig.view->playerScale, Scale::Scale_x4);
        QVERIFY(!rig.menu->isVisible());
        QVERIFY(!rig.buttons[0]->zoomButtonForKey());
    }

    void returnWithNothingHighlightedKeepsTheMenuOpen()
    {
        Rig rig;
        rig.zoom->openZoomMenu();
        QVERIFY(rig.zoom->handleKey(Qt::Key_Return));
        QVERIFY(rig.menu->isVisible());
        QVERIFY(!rig.zoom->handleKey(Qt::Key_A));
    }

    void pointerMovesOverTheMenuEndKeyboardMode()
    {
        Rig rig;
        rig.zoom->openZoomMenu();
        rig.zoom->handleKey(Qt::Key_Right);
        QCOMPARE(rig.menu->delegate(), rig.zoom.get());
        QMouseEvent move(QEvent::MouseMove, QPointF(30, 100), rig.menu->mapToGlobal(QPointF(30, 100)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(rig.menu, &move);
        QCOMPARE(rig.zoom->hoveredZoomIndex(), 5);
        QVERIFY(!rig.buttons[0]->zoomButtonForKey());
        QVERIFY(!rig.menu->delegate());
    }

    void aClickBesideTheMenuClosesIt()
    {
        Rig rig;
        rig.zoom->openZoomMenu();
        QTest::mouseClick(rig.zoom->filterView(), Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!rig.menu->isVisible());
        QVERIFY(!rig.zoomButton->isChecked());
        QCOMPARE(rig.view->playerScale, Scale::Scale_x1);

        // While zoomed, closing the menu keeps the zoom button on.
        rig.zoom->openZoomMenu();
        rig.zoom->zoomToScale(1);
        rig.zoom->openZoomMenu();
        QTest::mouseClick(rig.zoom->filterView(), Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(!rig.menu->isVisible());
        QVERIFY(rig.zoomButton->isChecked());
        QCOMPARE(rig.view->playerScale, Scale::Scale_x2);
    }

    void escapeClosesTheMenuAndHideGoesBackToOne()
    {
        Rig rig;
        rig.zoom->openZoomMenu();
        rig.zoom->zoomToScale(4);
        QCOMPARE(rig.view->playerScale, Scale::Scale_x5);
        rig.zoom->openZoomMenu();
        rig.zoom->escape();
        QVERIFY(!rig.menu->isVisible());
        QVERIFY(rig.zoomButton->isChecked());
        rig.zoom->hideZoomMenu();
        QCOMPARE(rig.view->playerScale, Scale::Scale_x1);
        QVERIFY(!rig.zoomButton->isChecked());
        rig.zoom->zoomToScale(0); // no such factor button: nothing
        rig.zoom->zoomToScale(9);
        QCOMPARE(rig.view->playerScale, Scale::Scale_x1);
    }
};

KR_TEST_MAIN(TestZoomMenu)
#include "tst_zoommenu.moc"
