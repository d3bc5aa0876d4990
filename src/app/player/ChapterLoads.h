#pragma once

#include <QHash>
#include <QObject>
#include <atomic>
#include <memory>

class ChapterData;

// Chapters' picture data read off the GUI thread for the player and the play
// road: reading a recording from a slow card takes seconds, which the window
// must not wait for. A chapter asked for is read by a background job (one per
// chapter at a time, the latest asked for first; a catalogue worker already
// reading it is waited for, not repeated), and the job's end is told on the
// GUI thread.
// A chapter of a catalogue stops being read when the catalogue is disposed;
// one of no catalogue when this object goes. GUI thread only.
class ChapterLoads : public QObject {
    Q_OBJECT
public:
    explicit ChapterLoads(QObject* parent = nullptr);
    ~ChapterLoads() override;

    // Nothing to wait for: the chapter's picture data is stored, or no
    // attempt is left (its last failure stands).
    static bool isSettled(const ChapterData& chapter);
    // Asks for the chapter's picture data unless it is settled; true while it
    // is not and a load of it is under way (asked for now or before).
    bool request(const std::shared_ptr<ChapterData>& chapter);
    bool isLoading(const std::shared_ptr<ChapterData>& chapter) const;

Q_SIGNALS:
    // A load asked for has ended, with picture data or without.
    void chapterLoaded(const std::shared_ptr<ChapterData>& chapter);

private:
    QHash<const ChapterData*, std::shared_ptr<ChapterData>> m_loading;
    // Numbers the requests of the application, each one's priority.
    static inline int s_requests = 0;
    // Set when this object goes: the loads of chapters of no catalogue stop.
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
};
