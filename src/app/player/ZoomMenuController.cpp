#include "app/player/ZoomMenuController.h"

#include "app/player/PlayerView.h"
#include "app/shell/EXTextButton.h"

#include <QAbstractButton>
#include <QRegion>

ZoomMenuController::ZoomMenuController(const Parts& parts, ZoomMenuHost& host, QObject* parent)
    : QObject(parent), m_parts(parts), m_host(host)
{
    for (int i = 0; i < 5; ++i) {
        EXTextButton* button = m_parts.buttons[static_cast<size_t>(i)];
        if (!button)
            continue;
        connect(button, &QAbstractButton::clicked, this, [this, i] {
            if (i == 0)
                zoomToScale1();
            else
                zoomToScale(i);
        });
    }
    if (m_parts.zoomButton)
        m_parts.zoomButton->setCheckable(true);
    if (m_parts.zoomMenu)
        m_parts.zoomMenu->hide();
}

ZoomMenuController::~ZoomMenuController()
{
    delete m_filterView.data();
}

void ZoomMenuController::setOverlayHidden(bool hidden)
{
    if (!m_parts.panel)
        return;
    QWidget* host = m_parts.panel->parentWidget() ? m_parts.panel->parentWidget() : m_parts.panel;
    // The panel may have been put into another column since.
    if (m_filterView && m_filterView->parentWidget() != host)
        delete m_filterView.data();
    if (!m_filterView) {
        m_filterView = new FilterView(host);
        m_filterView->setDelegate(this);
        m_filterView->hide();
    }
    m_filterView->setGeometry(host->rect());
    // The menu lies inside the panel, under the overlay: the overlay leaves
    // its place out, so that its buttons still take the pointer.
    QRegion covered(host->rect());
    if (m_parts.zoomMenu)
        covered -= QRect(m_parts.zoomMenu->mapTo(host, QPoint(0, 0)), m_parts.zoomMenu->size());
    m_filterView->setMask(covered);
    m_filterView->setVisible(!hidden);
    if (!hidden)
        m_filterView->raise();
}

void ZoomMenuController::openZoomMenu()
{
    if (m_parts.zoomMenu)
        m_host.placeZoomMenu();
    setOverlayHidden(false);
    if (m_parts.zoomMenu) {
        m_parts.zoomMenu->show();
        m_parts.zoomMenu->raise();
    }
    if (m_parts.zoomButton)
        m_parts.zoomButton->setChecked(true);
    if (m_parts.playerView)
        m_parts.playerView->layoutLayers();
    m_host.focusPanel();
    m_host.updateButtonState();
}

void ZoomMenuController::hideZoomMenu()
{
    if (m_parts.playerView)
        m_parts.playerView->resetZoom();
    if (m_parts.zoomMenu)
        m_parts.zoomMenu->hide();
    if (m_parts.zoomButton)
        m_parts.zoomButton->setChecked(false);
    endZoomMenuMode();
}

void ZoomMenuController::zoomToScale1()
{
    hideZoomMenu();
    m_host.updateButtonState();
}

void ZoomMenuController::zoomToScale(int index)
{
    const auto scale = VideoSurfaceGeometry::scaleType(index + 1);
    if (!scale || index < 1)
        return;
    if (m_parts.playerView)
        m_parts.playerView->setScale(*scale);
    if (m_parts.zoomMenu)
        m_parts.zoomMenu->hide();
    if (m_parts.zoomButton)
        m_parts.zoomButton->setChecked(true);
    endZoomMenuMode();
    m_host.updateButtonState();
}

void ZoomMenuController::clearZoomHover()
{
    for (EXTextButton* button : m_parts.buttons) {
        if (!button)
            continue;
        button->setZoomButtonForKey(true);
        button->mouseExited();
    }
}

void ZoomMenuController::endZoomMenuMode()
{
    clearZoomHover();
    for (EXTextButton* button : m_parts.buttons) {
        if (button)
            button->setZoomButtonForKey(false);
    }
    if (m_parts.zoomMenu)
        m_parts.zoomMenu->setDelegate(nullptr);
    setOverlayHidden(true);
}

int ZoomMenuController::hoveredZoomIndex() const
{
    for (int i = 0; i < 5; ++i) {
        const EXTextButton* button = m_parts.buttons[static_cast<size_t>(i)];
        if (button && button->isMouseOver())
            return i;
    }
    return 5;
}

void ZoomMenuController::moveZoomHover(bool next)
{
    const int i = hoveredZoomIndex();
    int number = 1;
    if (i < 5) {
        number = next ? i + 2 : i;
        if (number > 5)
            number = 1;
        if (number < 1)
            number = 5;
    }
    clearZoomHover();
    if (EXTextButton* target = m_parts.buttons[static_cast<size_t>(number - 1)])
        target->mouseEntered(false);
}

bool ZoomMenuController::applyHoveredZoom()
{
    const int i = hoveredZoomIndex();
    if (i == 0) {
        zoomToScale1();
        return true;
    }
    if (i >= 1 && i <= 4) {
        zoomToScale(i);
        return true;
    }
    return false;
}

void ZoomMenuController::overlayClicked()
{
    if (!m_parts.zoomMenu || m_parts.zoomMenu->isHidden())
        return;
    const bool keyboardMode = m_parts.buttons[0] && m_parts.buttons[0]->zoomButtonForKey();
    if (keyboardMode) {
        m_parts.zoomMenu->hide();
        if (m_parts.zoomButton)
            m_parts.zoomButton->setChecked(false);
        endZoomMenuMode();
        m_host.updateButtonState();
        return;
    }
    if (applyHoveredZoom())
        return;
    closeZoomMenu();
}

bool ZoomMenuController::handleKey(int key)
{
    if (!m_parts.zoomMenu || m_parts.zoomMenu->isHidden())
        return false;
    m_parts.zoomMenu->setDelegate(this);
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        moveZoomHover(false);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
        moveZoomHover(true);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        applyHoveredZoom();
        return true;
    default:
        return false;
    }
}

void ZoomMenuController::closeZoomMenu()
{
    m_parts.zoomMenu->hide();
    const bool zoomed = m_parts.playerView && m_parts.playerView->playerScale != PlayerView::ScaleType::Scale_x1;
    if (!zoomed && m_parts.zoomButton)
        m_parts.zoomButton->setChecked(false);
    endZoomMenuMode();
    m_host.updateButtonState();
}

void ZoomMenuController::escape()
{
    if (!m_parts.zoomMenu || m_parts.zoomMenu->isHidden())
        return;
    closeZoomMenu();
}
