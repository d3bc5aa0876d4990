#include "core/catalog/RecordingList.h"

#include "core/foundation/DateFormat.h"
#include "core/foundation/UserDefaultUtil.h"

#include <QtGlobal>

namespace {

bool inside(int row, qsizetype size)
{
    return row >= 0 && row < size;
}

TripList withChapters(const TripList& trips)
{
    TripList out;
    for (const auto& t : trips)
        if (t && t->chapterCount() > 0) out.append(t);
    return out;
}

} // namespace

QString RecordingList::Record::dateLine() const
{
    return dateTime.section(QLatin1Char('\n'), 0, 0);
}

QString RecordingList::Record::timeLine() const
{
    return dateTime.section(QLatin1Char('\n'), -1, -1);
}

RecordingList::Record RecordingList::makeRecord(const QDateTime& date, const QString& path, RecordType type)
{
    Record r;
    r.path = path;
    r.recordType = type;
    const auto format = dateFormatTypeFromRaw(UserDefaultUtil::dateFormat.load());
    if (!format) return r;
    const QString zone = DateFormatTypeUtil::timeZoneIdentifier(UserDefaultUtil::timeZone.load());
    r.dateTime = Date::toString(date, DateFormatTables::twoLineFormats()[*format], zone,
                                UserDefaultUtil::summerTime.load());
    return r;
}

const char* RecordingList::headerText(ListType type)
{
    switch (type) {
    case ListType::Event:
    case ListType::Surveillance:
        return QT_TRANSLATE_NOOP("VideoListView", "Sensing time/date");
    default:
        return QT_TRANSLATE_NOOP("VideoListView", "Recording time/date");
    }
}

void RecordingList::setData(const std::shared_ptr<CardData>& card)
{
    m_tripData.clear();
    m_adventureData.clear();
    m_eventList.clear();
    m_surveillanceList.clear();
    m_currentRowTrip = m_currentRowAdventure = m_currentRowEvent = m_currentRowSurveillance = -1;
    m_currentRowChapter = m_workRowTrip = -1;
    if (card) {
        m_tripData = withChapters(card->tripListTab());
        m_adventureData = withChapters(card->advTripList());
        const MoveProtectList records = card->moveProtectList();
        for (const auto& r : records)
            if (r && r->_detect != MoveProtectInfo::DetectStatus::SURV && card->eventChapter(*r))
                m_eventList.append(r);
        for (const auto& r : records)
            if (r && r->_detect == MoveProtectInfo::DetectStatus::SURV && card->eventChapter(*r))
                m_surveillanceList.append(r);
    }
    m_listType = ListType::Trip;
}

RecordingList::ListType RecordingList::chapterTabType() const
{
    return m_currentRowAdventure < 0 ? ListType::TripChapter : ListType::AdvChapter;
}

int RecordingList::currentRow(ListType type) const
{
    switch (type) {
    case ListType::Trip:
        return m_currentRowTrip;
    case ListType::Event:
        return m_currentRowEvent;
    case ListType::Surveillance:
        return m_currentRowSurveillance;
    case ListType::Adventure:
        return m_currentRowAdventure;
    case ListType::TripChapter:
    case ListType::AdvChapter:
        return m_currentRowChapter;
    }
    return -1;
}

int RecordingList::highlightedRow() const
{
    if (m_listType == ListType::Trip && m_currentRowTrip < 0) return m_workRowTrip;
    return currentRow();
}

int RecordingList::rowCount(ListType type) const
{
    switch (type) {
    case ListType::Event:
        return int(m_eventList.size());
    case ListType::Surveillance:
        return int(m_surveillanceList.size());
    case ListType::Adventure:
        return int(m_adventureData.size());
    case ListType::TripChapter:
        return int(tripChapters().size());
    case ListType::AdvChapter:
        return int(adventureChapters().size());
    case ListType::Trip:
        break;
    }
    return int(m_tripData.size());
}

bool RecordingList::selectRow(int row, ListType type)
{
    if (!inside(row, rowCount(type))) return false;
    switch (type) {
    case ListType::Event:
        m_currentRowEvent = row;
        break;
    case ListType::Surveillance:
        m_currentRowSurveillance = row;
        break;
    case ListType::Adventure:
        m_currentRowAdventure = row;
        break;
    case ListType::TripChapter:
    case ListType::AdvChapter:
        m_currentRowChapter = row;
        break;
    case ListType::Trip:
        m_currentRowTrip = row;
        m_workRowTrip = row;
        break;
    }
    return true;
}

void RecordingList::resetCurrentRows()
{
    m_currentRowTrip = m_currentRowAdventure = m_currentRowEvent = m_currentRowSurveillance = -1;
    m_currentRowChapter = -1;
}

ChapterList RecordingList::tripChapters() const
{
    if (inside(m_currentRowTrip, m_tripData.size())) return m_tripData[m_currentRowTrip]->chapterDataList();
    if (inside(m_workRowTrip, m_tripData.size())) return m_tripData[m_workRowTrip]->chapterDataList();
    return {};
}

ChapterList RecordingList::adventureChapters() const
{
    if (inside(m_currentRowAdventure, m_adventureData.size()))
        return m_adventureData[m_currentRowAdventure]->chapterDataList();
    return {};
}

ChapterList RecordingList::chapterListOnShow(bool* adventure) const
{
    *adventure = false;
    if (inside(m_currentRowTrip, m_tripData.size())) return m_tripData[m_currentRowTrip]->chapterDataList();
    if (inside(m_currentRowAdventure, m_adventureData.size())) {
        *adventure = true;
        return m_adventureData[m_currentRowAdventure]->chapterDataList();
    }
    return tripChapters();
}

QList<RecordingList::Record> RecordingList::records() const
{
    QList<Record> rows;
    const auto tripRows = [&rows](const TripList& trips, bool adventure) {
        for (const auto& t : trips) {
            const auto first = t->firstChapter();
            if (!first) continue;
            rows.append(makeRecord(adventure ? first->knownStartAdvTime() : first->knownStartTime(),
                                   first->pathThumbnail(), RecordType::Always));
        }
    };
    switch (m_listType) {
    case ListType::Trip:
        tripRows(m_tripData, false);
        break;
    case ListType::Adventure:
        tripRows(m_adventureData, true);
        break;
    case ListType::Event:
        for (const auto& r : m_eventList)
            rows.append(makeRecord(r->_datetime, r->pathThumbnail(),
                                   r->_detect == MoveProtectInfo::DetectStatus::SW ? RecordType::Manual
                                                                                  : RecordType::Auto));
        break;
    case ListType::Surveillance:
        for (const auto& r : m_surveillanceList)
            rows.append(makeRecord(r->_datetime, r->pathThumbnail(), RecordType::Always));
        break;
    case ListType::TripChapter:
    case ListType::AdvChapter: {
        bool adventure = false;
        const ChapterList chapters = chapterListOnShow(&adventure);
        for (const auto& c : chapters)
            rows.append(makeRecord(c->knownStartTime(), c->pathThumbnail(), RecordType::Always));
        // The first chapter of an adventure starts where the adventure
        // recording starts, which may lie inside that chapter.
        if (adventure && m_currentRowChapter == 0 && !chapters.isEmpty())
            rows[0] = makeRecord(chapters[0]->knownStartAdvTime(), chapters[0]->pathThumbnail(),
                                 RecordType::Always);
        break;
    }
    }
    return rows;
}
