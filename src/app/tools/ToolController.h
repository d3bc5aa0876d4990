#pragma once

#include "app/tools/ToolSupport.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <memory>

class CaptureView;
class HostWindow;
class ModalWindow;
class PlayerPane;
class StopWatchView;
class TrimView;
class QWidget;

// The main window's side of the tools: the player's stopwatch, cut and
// snapshot buttons, the stopwatch fed with play positions, and the trim and
// capture windows, whose ends it turns into the end of their modal runs.
// GUI thread only.
class ToolController : public QObject, public ToolViewDelegate {
    Q_OBJECT
public:
    ToolController(HostWindow* window, PlayerPane* player);
    ~ToolController() override;

    // The player's stopwatch button on and off.
    void showStopWatch();
    void hideStopWatch();
    // After a load and when a file to play is missing: the window hidden, the
    // player's button off (the measurement stays).
    void updateStopWatchButton();
    // The player's cut (5) and snapshot (6) buttons. While the chapter at the
    // position is still being loaded (just moved to), the tool waits for it
    // and opens then, if the position is still in that chapter.
    void openToolWindow(std::uint8_t code);
    // A new play list is open: a stopwatch that exists measures over it afresh.
    void playListChanged();
    // Every play-position change.
    void positionChanged();
    // The play list's positions moved with chapter lengths that became known.
    void chapterLengthsFollowed();
    // The player's Stop button.
    void playerStopped();

    // ToolViewDelegate
    void toolWindowDidClose(int code) override;
    void toolCallbackOnMain() override;

    // Where the stopwatch window's and a tool window's top-left corners go:
    // just below the main window's title bar, the stopwatch as far from the
    // main window's right edge as the recording list is wide, a tool window
    // level with the button that opens it.
    QPoint stopWatchPoint() const;
    QPoint toolWindowPoint(const QWidget* button) const;

    StopWatchView* stopWatch() const { return m_stopWatch; }
    TrimView* trimView() const { return m_trimView.get(); }
    CaptureView* captureView() const { return m_captureView.get(); }
    // Where trims make their private folders (tests); empty: the system's temporary folder.
    QString trimWorkFolder;

private:
    void bindStopWatch();
    void endToolRun();
    void openToolWindowNow(std::uint8_t code);

    QPointer<HostWindow> m_window;
    QPointer<PlayerPane> m_player;
    StopWatchView* m_stopWatch = nullptr; // child of the window
    std::unique_ptr<TrimView> m_trimView;
    std::unique_ptr<CaptureView> m_captureView;
    QPointer<ModalWindow> m_toolWindow;
    bool m_toolWaitsForChapter = false;
};
