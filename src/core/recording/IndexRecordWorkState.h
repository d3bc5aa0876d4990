#pragma once

#include <QString>
#include <memory>
#include <mutex>

class ChapterData;

// The catalogue's working state kept on a protected or adventure entry: the
// thumbnail made for it, how often making one was tried, and the chapter
// found for it. The catalogue's workers write it while the views read it on
// the main thread, so every access takes the lock.
class IndexRecordWorkState {
public:
    // Empty when no thumbnail has been made.
    QString pathThumbnail() const
    {
        std::lock_guard lock(m_mutex);
        return m_pathThumbnail;
    }
    void setPathThumbnail(const QString& path)
    {
        std::lock_guard lock(m_mutex);
        m_pathThumbnail = path;
    }

    int retryCntThumbnail() const
    {
        std::lock_guard lock(m_mutex);
        return m_retryCntThumbnail;
    }
    void setRetryCntThumbnail(int count)
    {
        std::lock_guard lock(m_mutex);
        m_retryCntThumbnail = count;
    }
    // Adds one attempt and returns the new count.
    int addRetryCntThumbnail()
    {
        std::lock_guard lock(m_mutex);
        return ++m_retryCntThumbnail;
    }

    std::shared_ptr<ChapterData> eventChapter() const
    {
        std::lock_guard lock(m_mutex);
        return m_eventChapter;
    }
    void setEventChapter(std::shared_ptr<ChapterData> chapter)
    {
        std::lock_guard lock(m_mutex);
        m_eventChapter = std::move(chapter);
    }

private:
    mutable std::mutex m_mutex;
    QString m_pathThumbnail;
    int m_retryCntThumbnail = 0;
    std::shared_ptr<ChapterData> m_eventChapter;
};
