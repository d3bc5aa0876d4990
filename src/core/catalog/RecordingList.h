#pragma once

#include "core/catalog/CardData.h"
#include "core/foundation/CommonConst.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>

// What the recording list shows, without the widgets: the six lists of the
// open catalogue (trips, events, surveillance, adventure recordings and the
// chapters of the current trip or adventure), the current row of each, and
// the rows of the list on show with their date texts, thumbnails and types.
//
// Trips and adventure recordings without chapters are left out when a
// catalogue is set, so that a row number is always the index of the trip it
// shows, for the rows, the selection and the play requests alike.
//
// GUI thread only (the catalogue it reads is fixed after its load).
class RecordingList {
public:
    using ListType = CommonConst::ListType;

    enum class RecordType : std::uint8_t { Auto = 0, Manual = 1, Always = 2 };

    // One row: date and time as two lines, the thumbnail file (empty when
    // none was made yet) and the kind of recording.
    struct Record {
        QString dateTime;
        QString path;
        RecordType recordType = RecordType::Always;
        QString dateLine() const;
        QString timeLine() const;
    };

    // A row's texts in the viewer's date format, zone and summer-time choice.
    static Record makeRecord(const QDateTime& date, const QString& path, RecordType type);

    // The English header text of the info column for a list (the widget translates it).
    static const char* headerText(ListType type);

    // Takes a newly loaded catalogue (or none): every row forgotten, the trip list on show.
    void setData(const std::shared_ptr<CardData>& card);

    ListType listType() const { return m_listType; }
    void setListType(ListType type) { m_listType = type; }
    // The kind the chapter tab shows when clicked: the current adventure's
    // chapters while an adventure row is current, else the trip's.
    ListType chapterTabType() const;

    // The rows of the list on show, built afresh from the catalogue with
    // what is known of it: no recording is read here (a start that only a
    // recording tells shows once the catalogue's workers have read it, and
    // the list is built again on their reports).
    QList<Record> records() const;
    // The current row of the list on show (-1: none).
    int currentRow() const { return currentRow(m_listType); }
    int currentRow(ListType type) const;
    // The row drawn as selected in the list on show: its current row, and for
    // the trip list the trip chosen last when no trip is current.
    int highlightedRow() const;

    int rowCount(ListType type) const;
    // Makes row the current row of a list; false (nothing changes) when the
    // list has no such row.
    bool selectRow(int row, ListType type);
    // No current row in any list; the trip chosen last is kept.
    void resetCurrentRows();
    int workRowTrip() const { return m_workRowTrip; }

    // The chapters of the current trip (else of the trip chosen last).
    ChapterList tripChapters() const;
    // The chapters of the current adventure recording.
    ChapterList adventureChapters() const;

    std::shared_ptr<TripData> trip(int row) const { return m_tripData.value(row); }
    std::shared_ptr<TripData> adventure(int row) const { return m_adventureData.value(row); }
    std::shared_ptr<MoveProtectInfo> event(int row) const { return m_eventList.value(row); }
    std::shared_ptr<MoveProtectInfo> surveillance(int row) const { return m_surveillanceList.value(row); }
    const TripList& trips() const { return m_tripData; }
    const TripList& adventures() const { return m_adventureData; }
    const MoveProtectList& events() const { return m_eventList; }
    const MoveProtectList& surveillances() const { return m_surveillanceList; }

    // Set by the main window while a play changes the selection and the
    // player's content; a second play is refused meanwhile.
    bool isSelectRowChanging = false;

private:
    // The chapter list of the chapter tab: current trip, else current
    // adventure, else the trip chosen last; adventure tells which it was.
    ChapterList chapterListOnShow(bool* adventure) const;

    ListType m_listType = ListType::Trip;
    TripList m_tripData;
    TripList m_adventureData;
    MoveProtectList m_eventList;
    MoveProtectList m_surveillanceList;
    int m_currentRowChapter = -1;
    int m_currentRowTrip = -1;
    int m_currentRowEvent = -1;
    int m_currentRowSurveillance = -1;
    int m_currentRowAdventure = -1;
    int m_workRowTrip = -1;
};
