#include "app/player/CustomSliderCell.h"

#include "app/player/PlayerImages.h"
#include "core/player/PlayerRules.h"
#include "core/recording/MoveProtectInfo.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr double INSET = 4.0; // the bar's track starts and ends this far inside
constexpr double MARKER_W = 10.0;
constexpr double MARKER_H = 10.0;

} // namespace

CustomSliderCell::CustomSliderCell(QWidget* parent, PlaybackClock::TimeSource clockSource)
    : QWidget(parent), m_clock(std::move(clockSource))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_barImage = PlayerImages::image(QStringLiteral("trackbar_back"));
    m_barActiveImage = PlayerImages::image(QStringLiteral("trackbar_active"));
    m_barOffImage = PlayerImages::image(QStringLiteral("trackbar_off"));
    m_knobImage = PlayerImages::image(QStringLiteral("trackbar_thumb"));
    if (m_knobImage.isNull()) m_knobImage = PlayerImages::image(QStringLiteral("trackbar_thumb_min"));
    m_timer.setParent(this);
    m_timer.setObjectName(QStringLiteral("clockTimer"));
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(TICK_INTERVAL_MS);
    connect(&m_timer, &QTimer::timeout, this, &CustomSliderCell::onTimerTick);
}

qint64 CustomSliderCell::integerValue() const
{
    return qint64(std::floor(m_value));
}

void CustomSliderCell::setDoubleValue(double value)
{
    if (!std::isfinite(value)) return;
    const double v = std::clamp(value, m_min, std::max(m_min, m_max));
    if (v == m_value) return;
    m_value = v;
    update();
}

void CustomSliderCell::updateValue(const std::shared_ptr<PlayMovieValueInfo>& info)
{
    m_valueInfo = info ? info : std::make_shared<PlayMovieValueInfo>();
    m_min = double(m_valueInfo->_minValue);
    m_max = double(std::max(m_valueInfo->_maxValue, m_valueInfo->_minValue));
    m_baseDate = PlayerRules::baseDateOf(*m_valueInfo);
    m_valueInfo->setCurrentValue(m_valueInfo->_currentValue);
    m_value = std::clamp(double(m_valueInfo->_currentValue), m_min, m_max);
    update();
    if (m_delegate) m_delegate->trackbarChanged();
    refresh();
}

void CustomSliderCell::followValueInfo()
{
    // The trim start and the stopwatch's marks stand where the model's
    // bounds stand: at the same place of the same chapter.
    const auto moved = [this](qint64 position) { return m_valueInfo->followedPosition(position); };
    m_selectStartSumFrameTS = moved(m_selectStartSumFrameTS);
    if (swStartSumFrameTS >= 0) swStartSumFrameTS = moved(swStartSumFrameTS);
    for (qint64& lap : swLapSumFrameTSList)
        lap = moved(lap);
    if (swStopSumFrameTS >= 0) swStopSumFrameTS = moved(swStopSumFrameTS);
    m_min = double(m_valueInfo->_minValue);
    m_max = double(std::max(m_valueInfo->_maxValue, m_valueInfo->_minValue));
    m_value = std::clamp(double(m_valueInfo->_currentValue), m_min, m_max);
    refresh();
}

void CustomSliderCell::startTimer()
{
    if (!isPlay) {
        m_timer.stop();
        m_clock.stop();
        return;
    }
    m_clock.start();
    m_timer.start(); // restarts a running timer: still only one
}

void CustomSliderCell::onTimerTick()
{
    if (!isPlay || !m_clock.isRunning()) return;
    const double next = m_clock.tick(m_value, double(rate), m_isTracking);
    if (!m_isTracking) setDoubleValue(next);
    if (m_delegate) m_delegate->trackbarChanged();
}

// ---- marks ----

void CustomSliderCell::refresh()
{
    m_markers.clear();
    const qint64 minimum = qint64(m_min);
    auto put = [&](qint64 position, Marker marker) {
        if (position >= minimum) m_markers.insert(position - minimum, marker);
    };
    const PlayMovieValueInfo& info = *m_valueInfo;
    if (info._playType == CommonConst::PlayType::Event && info._eventValue && info._protectInfo) {
        if (info._protectInfo->_detect == MoveProtectInfo::DetectStatus::SW)
            put(*info._eventValue, {Marker::Kind::EventSwitch});
        else if (info._protectInfo->_detect == MoveProtectInfo::DetectStatus::G)
            put(*info._eventValue, {Marker::Kind::EventG});
    }
    if (swStatus != StopWatchStatus::Ready) {
        put(swStartSumFrameTS, {Marker::Kind::Start});
        // Every lap gets its numbered mark, the tenth as well.
        for (int i = 0; i < swLapSumFrameTSList.size(); ++i)
            put(swLapSumFrameTSList[i], {Marker::Kind::Lap, i + 1});
        if (swStatus == StopWatchStatus::Stop) put(swStopSumFrameTS, {Marker::Kind::Stop});
    }
    if (m_selectFrame) put(m_selectStartSumFrameTS, {Marker::Kind::CutStart});
    update();
}

void CustomSliderCell::setSelectFrame(bool on)
{
    m_selectFrame = on;
    if (on) {
        m_selectStartSumFrameTS = integerValue();
        m_valueInfo->setMovieCut(m_selectStartSumFrameTS, m_selectStartSumFrameTS + TRM_MAX_VAL);
    } else {
        m_valueInfo->setMovieCut(std::nullopt, std::nullopt);
    }
    refresh();
}

// ---- dates ----

QDateTime CustomSliderCell::currentDate()
{
    m_valueInfo->setCurrentValue(integerValue());
    return PlayerRules::dateAtPosition(*m_valueInfo, integerValue(), m_baseDate);
}

QDateTime CustomSliderCell::selectStartDate()
{
    return PlayerRules::dateAtSelectStart(*m_valueInfo, m_selectStartSumFrameTS, m_baseDate);
}

// ---- geometry ----

double CustomSliderCell::span() const
{
    return std::max(1.0, double(width()) - 2 * INSET);
}

double CustomSliderCell::valueForPosition(double x) const
{
    if (m_max <= m_min) return 0.0;
    return x * (m_max - m_min) / span();
}

double CustomSliderCell::positionForValue(double value) const
{
    if (m_max <= m_min) return 0.0;
    return (value - m_min) / (m_max - m_min) * span();
}

double CustomSliderCell::xOfValue(double value) const
{
    return INSET + positionForValue(value);
}

// ---- the pointer ----

double CustomSliderCell::clampTrackingX(double lastX, double x)
{
    // Once the stopwatch has stopped, its marks no longer hold the knob. A
    // stop at position 0 is a stop too: only -1 means none.
    if (swStopSumFrameTS != -1) return x;
    const qint64 minimum = qint64(m_min);
    const qint64 v = qint64(valueForPosition(lastX - INSET));
    if (swStartSumFrameTS != -1) {
        const qint64 bound = swLapSumFrameTSList.isEmpty() ? swStartSumFrameTS : swLapSumFrameTSList.last();
        if (v < bound - minimum) return xOfValue(double(bound));
    }
    if (m_selectFrame) {
        const qint64 c = m_selectStartSumFrameTS;
        qint64 bound = 0;
        if (v < c - minimum)
            bound = c;
        else if (v > c + TRM_MAX_VAL - minimum)
            bound = c + TRM_MAX_VAL;
        else
            return x;
        m_valueInfo->setCurrentValue(bound);
        setIntegerValue(m_valueInfo->_currentValue);
        if (m_delegate) m_delegate->trackbarChanged();
        return xOfValue(double(bound));
    }
    return x;
}

void CustomSliderCell::trackTo(double x)
{
    const double held = clampTrackingX(m_lastX, x);
    m_lastX = x;
    setDoubleValue(std::round(m_min + valueForPosition(held - INSET)));
    Q_EMIT userValueChanged();
}

void CustomSliderCell::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) return QWidget::mousePressEvent(event);
    const QPointF pos = event->position();
    if (!mouseTrackingArea().contains(pos)) {
        event->ignore();
        return;
    }
    m_isTracking = true;
    m_lastX = pos.x();
    trackTo(pos.x());
    event->accept();
}

void CustomSliderCell::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_isTracking) return QWidget::mouseMoveEvent(event);
    trackTo(event->position().x());
}

void CustomSliderCell::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_isTracking) return QWidget::mouseReleaseEvent(event);
    trackTo(event->position().x());
    m_isTracking = false;
}

// ---- drawing ----

void CustomSliderCell::drawMarker(QPainter& p, const QRectF& r, const Marker& m) const
{
    QColor colour;
    QString text;
    switch (m.kind) {
    case Marker::Kind::EventSwitch: colour = QColor(0x3c, 0x9c, 0xf0); text = QStringLiteral("S"); break;
    case Marker::Kind::EventG: colour = QColor(0xf0, 0x8c, 0x28); text = QStringLiteral("G"); break;
    case Marker::Kind::Start: colour = QColor(0x3c, 0xc8, 0x50); break;
    case Marker::Kind::Stop: colour = QColor(0xe0, 0x40, 0x40); break;
    case Marker::Kind::Lap: colour = QColor(0xe8, 0xe8, 0xe8); text = QString::number(m.lap); break;
    case Marker::Kind::CutStart: colour = QColor(0xd0, 0x30, 0xd0); text = QStringLiteral("S"); break;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    QPolygonF flag;
    flag << r.topLeft() << r.topRight() << QPointF(r.right(), r.bottom() - 3) << QPointF(r.center().x(), r.bottom())
         << QPointF(r.left(), r.bottom() - 3);
    p.drawPolygon(flag);
    if (!text.isEmpty()) {
        QFont f = p.font();
        f.setPixelSize(text.size() > 1 ? 6 : 8);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(r.adjusted(0, 0, 0, -2), Qt::AlignCenter, text);
    }
}

void CustomSliderCell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF back(0, 0, width(), TRACKING_HEIGHT);
    if (!m_barImage.isNull())
        p.drawPixmap(back, m_barImage, m_barImage.rect());
    const double barH = m_barOffImage.isNull() ? 4.0 : std::max(2.0, double(m_barOffImage.height()));
    const QRectF bar(INSET, 12.0 - barH / 2, span(), barH);
    if (m_barOffImage.isNull())
        p.fillRect(bar, QColor(0x50, 0x50, 0x50));
    else
        p.drawPixmap(bar, m_barOffImage, m_barOffImage.rect());
    const double range = m_max - m_min;
    const double played = range > 0 ? (m_value - m_min) / range * span() : 0.0;
    const QRectF active(bar.x(), bar.y(), std::max(0.0, played), bar.height());
    if (m_barActiveImage.isNull())
        p.fillRect(active, QColor(0x2a, 0x8c, 0xe6));
    else
        p.drawPixmap(active, m_barActiveImage, m_barActiveImage.rect());
    if (m_selectFrame && range > 0 && m_min <= double(m_selectStartSumFrameTS)
        && double(m_selectStartSumFrameTS) < m_max) {
        double end = played;
        if (std::floor(m_value) - double(m_selectStartSumFrameTS) >= double(TRM_MAX_VAL))
            end = span() * ((double(m_selectStartSumFrameTS + TRM_MAX_VAL) - m_min) / range);
        const double start = positionForValue(double(m_selectStartSumFrameTS));
        p.fillRect(QRectF(bar.x() + start, bar.y(), std::max(0.0, end - start), bar.height()),
                   QColor(0xe6, 0xb4, 0x2a));
    }
    // Marks from left to right, so that one further right lies on top.
    const qint64 lastTick = std::max<qint64>(0, qint64(range) - 1);
    for (auto it = m_markers.cbegin(); it != m_markers.cend(); ++it) {
        const qint64 key = std::clamp<qint64>(it.key(), 0, lastTick);
        const double x = xOfValue(m_min + double(key));
        drawMarker(p, QRectF(x - MARKER_W / 2, 0, MARKER_W, MARKER_H), it.value());
    }
    const double kx = INSET + played;
    if (!m_knobImage.isNull()) {
        const QSizeF ks = m_knobImage.size();
        p.drawPixmap(QRectF(kx - ks.width() / 2, 12.0 - ks.height() / 2, ks.width(), ks.height()), m_knobImage,
                     m_knobImage.rect());
    } else {
        p.setBrush(isEnabled() ? Qt::white : Qt::gray);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(kx, 12.0), 6, 6);
    }
}
