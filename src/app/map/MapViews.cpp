#include "app/map/MapViews.h"

#include "app/map/WebMapView.h"
#include "app/shell/EXTextButton.h"
#include "core/foundation/CommonConst.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace {

void fill(QWidget* view)
{
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

// Puts a view into a host, filling it (the host's single-view layout).
void host(QWidget* host, QWidget* view)
{
    if (!view) return;
    view->setParent(host);
    host->layout()->addWidget(view);
    view->show();
}

EXTextButton* titleButton(QWidget* parent, const QString& image, const QString& toolTip, const char* name)
{
    auto* button = new EXTextButton(parent);
    button->setObjectName(QLatin1String(name));
    const QSize size(20, 20);
    button->setImage(QIcon(QStringLiteral(":/map/ui/%1.svg").arg(image)).pixmap(size));
    button->setMouseOverImage(QIcon(QStringLiteral(":/map/ui/%1_over.svg").arg(image)).pixmap(size));
    button->setFixedSize(26, 24);
    button->setToolTip(toolTip);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

// ---- MapView ----

MapView::MapView(int language, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("mapView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgbF(0.1f, 0.1f, 0.1f));
    setPalette(pal);
    fill(this);
    m_web = new WebMapView(language, this);
    m_web->setObjectName(QStringLiteral("mapWebView"));
    layout()->addWidget(m_web);
    setMinimumSize(WIDTH / 2, HEIGHT / 2);
}

// ---- EmptyMapView ----

EmptyMapView::EmptyMapView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("emptyMapView"));
    fill(this);
    setMinimumHeight(MapView::HEIGHT);
}

void EmptyMapView::attach(QWidget* view)
{
    host(this, view);
}

// ---- MapTitleView ----

MapTitleView::MapTitleView(QWidget* parent) : QWidget(parent)
{
    WebMapView::registerResources();
    setObjectName(QStringLiteral("mapTitleView"));
    setFixedHeight(HEIGHT);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 4, 0);
    row->setSpacing(0);
    lblMapTitle = new QLabel(tr("Map"), this);
    lblMapTitle->setObjectName(QStringLiteral("lblMapTitle"));
    QFont font = lblMapTitle->font();
    font.setPixelSize(13);
    font.setBold(true);
    lblMapTitle->setFont(font);
    QPalette pal = lblMapTitle->palette();
    pal.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    lblMapTitle->setPalette(pal);
    row->addWidget(lblMapTitle);
    row->addStretch(1);
    mapShowButton = titleButton(this, QStringLiteral("map_show"), tr("Show the map"), "mapShowButton");
    mapHideButton = titleButton(this, QStringLiteral("map_hide"), tr("Hide the map"), "mapHideButton");
    mapWindowButton = titleButton(this, QStringLiteral("map_window"), tr("Show the map in its own window"),
                                  "mapWindowButton");
    row->addWidget(mapShowButton);
    row->addWidget(mapWindowButton);
    row->addWidget(mapHideButton);
    mapShowButton->hide();
    connect(mapShowButton, &QAbstractButton::clicked, this, [this] { setMapType(MapType::Show); });
    connect(mapHideButton, &QAbstractButton::clicked, this, [this] { setMapType(MapType::Hidden); });
    connect(mapWindowButton, &QAbstractButton::clicked, this, &MapTitleView::onMapWindowButton);
}

void MapTitleView::setMapType(MapType type)
{
    switch (type) {
    case MapType::Show:
        mapShowButton->hide();
        lblMapTitle->show();
        mapHideButton->show();
        mapWindowButton->show();
        break;
    case MapType::Window:
        break;
    case MapType::Hidden:
        mapShowButton->show();
        lblMapTitle->hide();
        mapHideButton->hide();
        mapWindowButton->hide();
        break;
    }
    mapType = type;
    if (delegate) delegate->mapTypeChanged(type);
}

void MapTitleView::onMapWindowButton()
{
    // The bar keeps its buttons: it is hidden while the map is detached.
    mapType = MapType::Window;
    if (delegate) delegate->mapTypeChanged(MapType::Window);
}

void MapTitleView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0.0, QColor(0x3a, 0x3d, 0x41));
    g.setColorAt(1.0, QColor(0x26, 0x28, 0x2b));
    p.fillRect(rect(), g);
    p.setPen(QColor(0x10, 0x10, 0x10));
    p.drawLine(0, height() - 1, width(), height() - 1);
    p.setPen(QColor(0x4c, 0x50, 0x55));
    p.drawLine(0, 0, width(), 0);
}

// ---- NewWindowView ----

NewWindowView::NewWindowView(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("newWindowView"));
    setWindowTitle(QString());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgba(CommonConst::FROM_BACKGROUND_COLOR));
    setPalette(pal);
    fill(this);
    m_backgroundView = new QWidget(this);
    m_backgroundView->setObjectName(QStringLiteral("backgroundView"));
    fill(m_backgroundView);
    layout()->addWidget(m_backgroundView);
}

NewWindowView::~NewWindowView()
{
    // The hosted view is not the window's: it leaves before the window goes.
    if (m_parentView && m_parentView->parentWidget() == m_backgroundView) m_parentView->setParent(nullptr);
}

void NewWindowView::setContentView(QWidget* view)
{
    m_parentView = view;
    host(m_backgroundView, view);
}

void NewWindowView::showWindow()
{
    if (delegate) delegate->newWindowWillShow(false);
    resize(UserDefaultUtil::mapWindowSize - QSize(0, TITLE_BAR_HEIGHT));
    const QWidget* owner = parentWidget();
    QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    setWindowFlag(Qt::WindowStaysOnTopHint, topMostFlg);
    show();
    raise();
}

void NewWindowView::closeEvent(QCloseEvent* event)
{
    if (delegate) delegate->newWindowWillClose();
    event->accept();
}

void NewWindowView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible()) UserDefaultUtil::mapWindowSize = size() + QSize(0, TITLE_BAR_HEIGHT);
}
