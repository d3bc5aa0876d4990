#pragma once

#include "app/shell/MainWindowViews.h"
#include "core/tools/LapStopwatch.h"

#include <QList>
#include <QSize>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QPushButton;

// The lap stopwatch's floating window: ten rows of lap durations and average
// speeds, a total row, and START/STOP, LAP/RESET and PREVIOUS LAP. It has
// no clock of its own: the main window feeds it the play position. Closing
// it (or Escape) only hides it; the measurement stays.
class StopWatchView : public QWidget, public StopWatchInterface {
    Q_OBJECT
public:
    static constexpr QSize CONTENT_SIZE{324, 440};

    explicit StopWatchView(QWidget* parent = nullptr);
    ~StopWatchView() override;

    LapStopwatch& model() { return m_model; }
    const LapStopwatch& model() const { return m_model; }

    // Where the marks go after the stopwatch's own changes: state, start,
    // lap ends, stop and the running lap's base.
    std::function<void(StopWatchStatus, qint64, const QList<qint64>&, qint64, qint64)> trackbarRefresher;
    // Told when the window hides itself (the player's button goes off).
    std::function<void()> onHidden;

    bool isLoaded() const { return m_isLoaded; }
    void setupWindow();

    // The buttons.
    void startStop();
    void lapReset();
    void previousLap();
    // The player's Stop button.
    void stop();
    // StopWatchInterface
    bool isReady() const override { return m_model.status() == StopWatchStatus::Ready; }
    void reset() override;
    // Forgets chapters, cache and position too (the track bar is not told).
    void clear();
    // A new play list: the measurement starts afresh over its chapters.
    void setChapterDataList(const ChapterList& chapters, qint64 position);
    // The play position moved.
    void setCurrentPosition(qint64 position);
    // The play list's positions moved with chapter lengths that became
    // known; the track bar's marks moved alike (it is not told).
    void followPositions(const PlayMovieValueInfo& list);

    void updateLabels();
    void updateButtons();

    QLabel* lapLabel(int row) const { return m_lapLabels.at(row); }
    QLabel* speedLabel(int row) const { return m_speedLabels.at(row); }
    QLabel* totalTimeLabel() const { return m_lblTimeTotal; }
    QLabel* totalSpeedLabel() const { return m_lblSpeedTotal; }
    QPushButton* btnStartStop() const { return m_btnStartStop; }
    QPushButton* btnLapReset() const { return m_btnLapReset; }
    QPushButton* btnReturn() const { return m_btnReturn; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void changed(bool notifyTrackbar = true);
    void hideWindow();

    LapStopwatch m_model;
    bool m_isLoaded = false;
    std::array<QLabel*, LapStopwatch::LAP_MAX> m_lapLabels{};
    std::array<QLabel*, LapStopwatch::LAP_MAX> m_speedLabels{};
    QLabel* m_lblTimeTotal = nullptr;
    QLabel* m_lblSpeedTotal = nullptr;
    QPushButton* m_btnStartStop = nullptr;
    QPushButton* m_btnLapReset = nullptr;
    QPushButton* m_btnReturn = nullptr;
};
