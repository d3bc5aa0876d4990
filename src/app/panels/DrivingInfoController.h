#pragma once

#include "app/shell/MainWindowViews.h"
#include "core/foundation/CommonConst.h"
#include "core/panels/SpeedMeterModel.h"

#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

class DrivingInfoView;
class HostWindow;
class PlayerPane;
class VideoInfo;

// The main window's side of the driving-data panel: it places the panel
// under the player, sets it up from the viewer settings, feeds the meter,
// the chart, the circle chart and the GPS picture at every position of the
// player, hands the panel what the play road opens, stores the display
// buttons' states and turns a drag on the chart into a seek of the player.
//
// The displays read only picture data that is already loaded (by the player
// or the catalogue's workers): a refresh never reads a recording.
// GUI thread only.
class DrivingInfoController : public QObject, public DrivingInfoViewInterface {
    Q_OBJECT
public:
    DrivingInfoController(HostWindow* window, PlayerPane* player);
    ~DrivingInfoController() override;

    DrivingInfoView* view() const;

    // ---- DrivingInfoViewInterface ----
    void applyStartupSettings(bool speedKmh, bool showSpeedMeter, bool showCircleChart) override;
    void refreshDrivingInfo(bool playing) override;
    void setChapterList(const ChapterList& chapters) override;
    void setAccident(const CardData& card, const std::shared_ptr<MoveProtectInfo>& record) override;
    void chapterDidLoad(const std::shared_ptr<ChapterData>& chapter) override;

    // ---- the panel's reports ----
    // A display's button was pressed: its state is stored and the displays refreshed.
    void drivingInfoDisplayChanged(int display);
    // A mouse phase on the chart: the player follows the dragged position,
    // paused while dragging and as before once released.
    void graphMouseStatusChanged(CommonConst::MouseStatus status);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the play road last gave the panel, kept so that a refresh made
    // while the player was not ready (which empties the panel) can be undone
    // once it is.
    struct Request {
        ChapterList chapters;
        std::optional<ChapterWindow> window;
        bool surveillance = false;
        bool operator==(const Request& other) const
        {
            const auto sameWindow = [](const ChapterWindow& a, const ChapterWindow& b) {
                return a.chapters == b.chapters && a.eventValue == b.eventValue && a.minValue == b.minValue
                    && a.maxValue == b.maxValue;
            };
            return chapters == other.chapters && surveillance == other.surveillance
                && window.has_value() == other.window.has_value() && (!window || sameWindow(*window, *other.window));
        }
    };
    void resetDisplays();
    void apply(const Request& request);
    void restoreIfCleared();
    void seekToChart(CommonConst::PlayStatus status);

    QPointer<HostWindow> m_window;
    QPointer<PlayerPane> m_player;
    QPointer<DrivingInfoView> m_view;
    std::optional<CommonConst::PlayStatus> m_tmpPlayStatus;
    std::shared_ptr<const VideoInfo> m_durVideo; // the recording m_durInfo was made from
    std::optional<SpeedMeterModel::DurationTable> m_durInfo;
    std::optional<Request> m_request;
    bool m_cleared = false;
};
