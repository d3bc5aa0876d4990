#pragma once

#include "app/player/FilterView.h"
#include "app/player/NSZoomView.h"

#include <QObject>
#include <QPointer>
#include <array>

class EXTextButton;
class PlayerView;
class QAbstractButton;

// What the zoom menu needs from the player panel it belongs to.
class ZoomMenuHost {
public:
    // Refresh the enabled states of the tool buttons (zoom excludes trim and
    // capture).
    virtual void updateButtonState() = 0;
    // Give the panel the keyboard focus, so that the menu's keys reach it.
    virtual void focusPanel() = 0;
    // Put the menu under the zoom button, where the button is now.
    virtual void placeZoomMenu() = 0;

protected:
    ~ZoomMenuHost() = default;
};

// The zoom menu of the player: five factor buttons on a panel, opened by the
// zoom button, driven by the pointer or the arrow keys and Return, closed by
// a choice, by Escape or by a click beside it (caught by a transparent
// overlay over the column the player panel sits in, so that a click on the
// panels beside the player closes the menu too).
class ZoomMenuController : public QObject, public ZoomViewDelegate, public FilterViewDelegate {
    Q_OBJECT
public:
    struct Parts {
        PlayerView* playerView = nullptr;
        NSZoomView* zoomMenu = nullptr;
        QAbstractButton* zoomButton = nullptr;   // on while zoomed or while the menu is open
        std::array<EXTextButton*, 5> buttons{};  // ×1 … ×5
        QWidget* panel = nullptr;                // the overlay covers its parent (itself while it has none)
    };

    ZoomMenuController(const Parts& parts, ZoomMenuHost& host, QObject* parent = nullptr);
    // Takes the overlay along: it may lie outside the panel.
    ~ZoomMenuController() override;

    void openZoomMenu();
    void zoomToScale1();
    // index 1 to 4: ×2 to ×5.
    void zoomToScale(int index);
    // Back to ×1 with the menu closed (the main window's reset).
    void hideZoomMenu();

    void endZoomMenuMode() override;
    void overlayClicked() override;

    // Arrow keys and Return while the menu is shown; true when the key was
    // the menu's.
    bool handleKey(int key);
    // The menu's part of Escape.
    void escape();

    // 0 to 4 for the highlighted button, 5 when none is.
    int hoveredZoomIndex() const;
    void moveZoomHover(bool next);
    bool applyHoveredZoom();
    void clearZoomHover();

    FilterView* filterView() const { return m_filterView; }
    void setOverlayHidden(bool hidden);

private:
    // Hides the menu; the zoom button stays down only while zoomed.
    void closeZoomMenu();

    Parts m_parts;
    ZoomMenuHost& m_host;
    QPointer<FilterView> m_filterView;
};
