#pragma once

#include "core/catalog/RecordingList.h"

#include <QWidget>
#include <memory>

class CustomTableView;
class QToolButton;
class QVBoxLayout;
class RecordingListModel;

// Where the list reports a clicked row. The list never selects a row
// itself: the main window decides whether to play it and then selects it
// through VideoListView::selectRow.
class VideoListViewDelegate {
public:
    virtual ~VideoListViewDelegate() = default;
    // A row of the list on show was clicked; the answer is not used.
    virtual bool videoListDidSelect(CommonConst::ListType listType, int row) = 0;
};

// The tabbed recording list at the side of the main window: trips, events,
// surveillance and adventure recordings, and the chapters of the current
// trip or adventure. The rows are rebuilt from the catalogue on every
// reloadList, so dates follow the viewer settings and thumbnails appear as
// the catalogue's workers make them. GUI thread only.
class VideoListView : public QWidget {
    Q_OBJECT
public:
    using ListType = CommonConst::ListType;

    explicit VideoListView(QWidget* parent = nullptr);
    ~VideoListView() override;

    // Takes a newly loaded catalogue (null: the list shows nothing); the
    // trip list is shown and no row is current.
    void setData(const std::shared_ptr<CardData>& card);
    // Shows the list of listType().
    void switchTab();
    // Rebuilds the rows of the list on show and reselects its current row.
    void reloadList();
    // Makes row the current row of a list (switching to it when asked);
    // false when the list has no such row.
    bool selectRow(int row, ListType type, bool switchTab);
    void resetCurrentRows();
    ChapterList tripChapters() const { return m_list.tripChapters(); }
    ChapterList adventureChapters() const { return m_list.adventureChapters(); }

    ListType listType() const { return m_list.listType(); }
    void setListType(ListType type) { m_list.setListType(type); }
    RecordingList& list() { return m_list; }
    const RecordingList& list() const { return m_list; }

    VideoListViewDelegate* delegate = nullptr; // not owned

    // For the main window and tests.
    CustomTableView* listTable() const { return m_table; }
    RecordingListModel* tableModel() const { return m_model; }
    QToolButton* tabTripButton() const { return m_tabTrip; }
    QToolButton* tabChapterButton() const { return m_tabChapter; }
    QToolButton* tabEventButton() const { return m_tabEvent; }
    QToolButton* tabSurveillanceButton() const { return m_tabSurveillance; }
    QToolButton* tabAdventureButton() const { return m_tabAdventure; }
    QWidget* tabViewA() const { return m_tabViewA; }
    QWidget* tabViewB() const { return m_tabViewB; }
    // The row drawn as selected in the table (-1: none).
    int selectedTableRow() const;

public Q_SLOTS:
    void onTripButton();
    void onChapterButton();
    void onEventButton();
    void onSurveillanceButton();
    void onAdventureButton();

private:
    QToolButton* makeTab(QWidget* row, const QString& icon, const QString& text, const QString& toolTip);
    void arrangeTabRows();
    void rowClicked(int row);
    void showRow(int row);

    RecordingList m_list;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_tabViewA = nullptr;
    QWidget* m_tabViewB = nullptr;
    QToolButton* m_tabTrip = nullptr;
    QToolButton* m_tabChapter = nullptr;
    QToolButton* m_tabEvent = nullptr;
    QToolButton* m_tabSurveillance = nullptr;
    QToolButton* m_tabAdventure = nullptr;
    CustomTableView* m_table = nullptr;
    RecordingListModel* m_model = nullptr;
};
