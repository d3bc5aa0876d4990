#include "app/panels/CircleChartView.h"

#include "app/panels/PanelImages.h"
#include "core/foundation/SettingsStore.h"
#include "core/foundation/UserDefaultUtil.h"


#include <QPainter>
#include <QPainterPath>

namespace {

constexpr QSize SCOPE_BUTTON_SIZE(42, 17);
constexpr int SCOPE_BUTTON_INSET = 4;

} // namespace

void ScopeButton::setImages(const QPixmap& image, const QPixmap& pressed)
{
    m_image = image;
    m_pressed = pressed;
    update();
}

void ScopeButton::paintEvent(QPaintEvent*)
{
    // The pressed picture shows while the button is held down.
    const QPixmap& shown = isDown() && !m_pressed.isNull() ? m_pressed : m_image;
    if (shown.isNull()) return;
    QPainter p(this);
    const QSizeF size = shown.deviceIndependentSize();
    p.drawPixmap(QPointF((width() - size.width()) / 2.0, (height() - size.height()) / 2.0), shown);
}

CircleChartView::CircleChartView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("circleChartView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_scopeButton = new ScopeButton(this);
    m_scopeButton->setObjectName(QStringLiteral("scopeButton"));
    // The scale is chosen with the pointer; Tab stays on the panel's buttons.
    m_scopeButton->setFocusPolicy(Qt::NoFocus);
    m_scopeButton->setFixedSize(SCOPE_BUTTON_SIZE);
    m_scopeButton->setToolTip(tr("Full scale"));
    connect(m_scopeButton, &QAbstractButton::clicked, this, &CircleChartView::nextScope);
    updateScopeImages();
}

void CircleChartView::reset(const ChapterList& chapters)
{
    m_model.reset(chapters);
    QWidget::update();
}

void CircleChartView::setChapterData(bool surveillance, const ChapterWindow& window)
{
    m_model.setChapterData(surveillance, window);
    QWidget::update();
}

void CircleChartView::update(std::int32_t value, CommonConst::PlayStatus status)
{
    m_model.update(value, status);
    QWidget::update();
}

void CircleChartView::chapterDidLoad(const std::shared_ptr<ChapterData>& chapter)
{
    if (m_model.chapterDidLoad(chapter)) QWidget::update();
}

void CircleChartView::setScope(CircleChartModel::GScopeType type)
{
    m_model.setScope(type);
    updateScopeImages();
    QWidget::update();
}

void CircleChartView::nextScope()
{
    setScope(CircleChartModel::nextScope(m_model.scope()));
    // Kept for the next start: the index in the settings' static, the full
    // scale in g under its key.
    UserDefaultUtil::dispCircleChartMaxG = std::uint8_t(CircleChartModel::indexOf(m_model.scope()));
    SettingsStore::open()->setValue(UserDefaultUtil::KEY_DISP_CIRCLE_CHART_MAX_G,
                                    CircleChartModel::fullScale(m_model.scope()));
}

void CircleChartView::updateScopeImages()
{
    const double g = CircleChartModel::fullScale(m_model.scope());
    m_scopeButton->setImages(PanelImages::image(PanelImages::scopeImageName(g, false), SCOPE_BUTTON_SIZE),
                             PanelImages::image(PanelImages::scopeImageName(g, true), SCOPE_BUTTON_SIZE));
}

CircleChartModel::Geometry CircleChartView::geometry() const
{
    return {double(width()), double(height()), 1.0};
}

std::optional<QPointF> CircleChartView::dotPosition()
{
    return m_model.drawing(geometry()).dot;
}

void CircleChartView::resizeEvent(QResizeEvent* event)
{
    m_scale = QPixmap();
    m_scopeButton->move(width() - SCOPE_BUTTON_INSET - m_scopeButton->width(),
                        height() - SCOPE_BUTTON_INSET - m_scopeButton->height());
    QWidget::resizeEvent(event);
}

const QPixmap& CircleChartView::scale()
{
    if (!m_scale.isNull() && m_scaleScope == m_model.scope()) return m_scale;
    m_scaleScope = m_model.scope();
    PanelImages::prepareCanvas(m_scale, size(), devicePixelRatioF(), PanelImages::Colors::background);
    QPainter p(&m_scale);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(width() / 2.0, height() / 2.0);
    // Full scale reaches a third of the size from the centre.
    const double rx = width() * CircleChartModel::G_CIRCLE_IMAGE_RATE / 2.0;
    const double ry = height() * CircleChartModel::G_CIRCLE_IMAGE_RATE / 2.0;

    QRadialGradient face(c, std::max(rx, ry) * 1.35);
    face.setColorAt(0.0, QColor(30, 34, 40));
    face.setColorAt(1.0, QColor(14, 16, 19));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawEllipse(c, rx * 1.3, ry * 1.3);

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(150, 150, 150, 90), 1.0, Qt::DashLine));
    p.drawLine(QPointF(c.x() - rx * 1.25, c.y()), QPointF(c.x() + rx * 1.25, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - ry * 1.25), QPointF(c.x(), c.y() + ry * 1.25));
    p.setPen(QPen(QColor(150, 150, 150, 110), 1.0));
    p.drawEllipse(c, rx * 0.5, ry * 0.5);
    p.setPen(QPen(QColor(200, 200, 200, 170), 1.4));
    p.drawEllipse(c, rx, ry);

    // The rings' values along the upper right diagonal.
    const double g = CircleChartModel::fullScale(m_model.scope());
    QFont font;
    font.setPixelSize(9);
    p.setFont(font);
    p.setPen(PanelImages::Colors::dimText);
    const auto ringLabel = [&](double share, double value) {
        const QPointF at(c.x() + rx * share * 0.7071 + 2.0, c.y() - ry * share * 0.7071 - 2.0);
        p.drawText(QRectF(at.x(), at.y() - 11.0, 40.0, 11.0), Qt::AlignLeft | Qt::AlignBottom,
                   QString::number(value, 'g', 3));
    };
    ringLabel(0.5, g / 2.0);
    ringLabel(1.0, g);
    p.setPen(QColor(200, 200, 200));
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(6.0, 4.0, 60.0, 14.0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("G"));
    return m_scale;
}

void CircleChartView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, scale());
    p.setRenderHint(QPainter::Antialiasing);
    const CircleChartModel::Drawing drawing = m_model.drawing(geometry());
    const auto& colors = CircleChartModel::colorTable();
    for (const auto& band : drawing.bands) {
        const auto& c = colors[size_t(band.colorIndex)];
        p.setPen(QPen(QColor(c.red, c.green, c.blue), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(band.points.constData(), int(band.points.size()));
    }
    if (drawing.still)
        qDebug("CircleChartView drawLines mode:[notPlay] start:[%d] end:[%d] PathCount:[%d]",
               int(drawing.still->start), int(drawing.still->end), int(drawing.still->pathCount));
    if (drawing.dot) {
        p.setPen(QPen(QColor(255, 255, 0), 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPoint(*drawing.dot);
    }
}
