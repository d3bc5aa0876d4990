#pragma once

#include "core/panels/CircleChartModel.h"

#include <QAbstractButton>
#include <QPixmap>
#include <QWidget>

// The circle chart's scale button: its picture, and another while it is held.
class ScopeButton : public QAbstractButton {
    Q_OBJECT
public:
    using QAbstractButton::QAbstractButton;
    void setImages(const QPixmap& image, const QPixmap& pressed);
    const QPixmap& image() const { return m_image; }
    const QPixmap& pressedImage() const { return m_pressed; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_image;
    QPixmap m_pressed;
};

// The G-force scope of the driving-data panel: the scale rings, the trail
// of the recent past and the dot of the current position, with a button in
// the bottom-right corner that steps the full scale through 0.5 .. 3.0 g
// (remembered in the viewer settings). GUI thread only.
class CircleChartView : public QWidget {
    Q_OBJECT
public:
    explicit CircleChartView(QWidget* parent = nullptr);

    void reset(const ChapterList& chapters);
    void setChapterData(bool surveillance, const ChapterWindow& window);
    void update(std::int32_t value, CommonConst::PlayStatus status);
    void chapterDidLoad(const std::shared_ptr<ChapterData>& chapter);

    // The full scale (from the settings at start-up; the button steps it).
    void setScope(CircleChartModel::GScopeType type);
    CircleChartModel::GScopeType scope() const { return m_model.scope(); }
    void nextScope();

    CircleChartModel& model() { return m_model; }
    ScopeButton* scopeButton() const { return m_scopeButton; }
    // The dot's place in the view as last drawn or as it would be now.
    std::optional<QPointF> dotPosition();

    QSize sizeHint() const override { return {165, 165}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateScopeImages();
    const QPixmap& scale();
    CircleChartModel::Geometry geometry() const;

    CircleChartModel m_model;
    ScopeButton* m_scopeButton = nullptr;
    QPixmap m_scale;
    CircleChartModel::GScopeType m_scaleScope = CircleChartModel::GScopeType::g10;
};
