#pragma once

#include "core/catalog/ChapterData.h"

#include <QHash>
#include <QObject>
#include <atomic>
#include <memory>
#include <vector>

// Chapters' picture data read off the GUI thread for the player and the play
// road: reading a recording from a slow card takes seconds, which the window
// must not wait for. A chapter asked for is read by a background job (one per
// chapter at a time; a catalogue worker already reading it is waited for, not
// repeated), and the job's end is told on the GUI thread.
//
// A few jobs run at once; the others wait here for their turn, which goes to
// the chapters wanted now (the one the clock waits in, the one a play waits
// for), the latest wanted first, and then to the ones read ahead.
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
    // Asks for the chapter's picture data, wanted now, unless it is settled;
    // true while it is not and a load of it is under way (asked for now or
    // before). One still waiting for its turn goes before the others.
    bool request(const std::shared_ptr<ChapterData>& chapter);
    // The same for a chapter read ahead: its turn comes after every one wanted now.
    bool prefetch(const std::shared_ptr<ChapterData>& chapter);
    bool isLoading(const std::shared_ptr<ChapterData>& chapter) const;
    // The loads waiting for their turn, in the order they will start.
    ChapterList queued() const;

Q_SIGNALS:
    // A load asked for has ended, with picture data or without.
    void chapterLoaded(const std::shared_ptr<ChapterData>& chapter);

private:
    struct Waiting {
        std::shared_ptr<ChapterData> chapter;
        bool wanted = false;
        quint64 asked = 0; // the later asked, the higher
    };
    bool ask(const std::shared_ptr<ChapterData>& chapter, bool wanted);
    // Starts waiting loads while fewer than the jobs allowed run.
    void startWaiting();
    void start(const std::shared_ptr<ChapterData>& chapter);

    // Asked for and not ended: waiting or running.
    QHash<const ChapterData*, std::shared_ptr<ChapterData>> m_loading;
    std::vector<Waiting> m_waiting;
    int m_running = 0;
    quint64 m_asked = 0;
    // Set when this object goes: the loads of chapters of no catalogue stop.
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
};
