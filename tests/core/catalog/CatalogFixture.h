#pragma once

// Shared helpers of the catalogue tests: cards written by the synthetic-card
// generator into a temporary folder, and hand-made index files.

#include "../../support/HourlyTrips.h"
#include "CardGen.h"
#include "core/catalog/CardData.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

namespace catalogtest {

using testtrips::START;

inline cardgen::TripOptions tripOf(int chapters, int hour, int seconds = 20)
{
    return testtrips::hourly(chapters, hour, seconds);
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A MOV_PRCT.DAT entry naming the movie, stamped offsetMs after its first frame.
inline QByteArray protectEntry(const cardgen::WrittenMovie& m, qint64 offsetMs, quint8 kind)
{
    cardgen::FrameSample s = m.samples.front();
    s.kind = kind;
    s.stamp = quint32(qint64(m.firstStamp) + offsetMs);
    s.stamp2 = m.firstStamp;
    return cardgen::encodeProtectEntry(s, m.recordingId, m.indexName, 0x01, kind == 0x12 ? 0x01 : 0x00);
}

inline QByteArray gEntry(const cardgen::WrittenMovie& m, qint64 offsetMs)
{
    return protectEntry(m, offsetMs, 0x10);
}

inline QByteArray survEntry(const cardgen::WrittenMovie& m, qint64 offsetMs)
{
    return protectEntry(m, offsetMs, 0x12);
}

inline QByteArray advEntry(const QString& name16, quint32 unixTime)
{
    cardgen::FrameSample s;
    s.unixTime = unixTime;
    s.stamp = 1000;
    return cardgen::encodeAdventureEntry(s, 0x1234, name16, 0, unixTime + 60);
}

inline QByteArray vrecEntry(const cardgen::WrittenMovie& m, std::optional<quint32> stamp = std::nullopt)
{
    cardgen::FrameSample s = m.samples.front();
    if (stamp) s.stamp = *stamp;
    return cardgen::encodeVrecEntry(s, m.recordingId, m.indexName);
}

class CatalogFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    cardgen::WrittenCard write(const cardgen::CardOptions& o) { return cardgen::writeCard(dir.path(), o); }

    static std::shared_ptr<CardData> load(const QString& path)
    {
        auto card = CardData::create();
        card->readCardData(path);
        return card;
    }

    QString moveDir() const { return dir.path() + QStringLiteral("/MOVE"); }

    QTemporaryDir dir;
};

// Counts the workers' reports; lives on the test's (GUI) thread.
class Recorder : public QObject, public CardDataDelegate {
public:
    void tripRouteDidLoad(const std::shared_ptr<ChapterData>& chapter) override
    {
        ++routes;
        if (onRoute) onRoute(chapter);
    }
    void chapterPicturesDidLoad(const std::shared_ptr<ChapterData>&) override { ++pictures; }
    int routes = 0;
    int pictures = 0;
    std::function<void(const std::shared_ptr<ChapterData>&)> onRoute;
};

// Runs the event loop until done() holds or the time is up.
inline bool pumpUntil(const std::function<bool()>& done, int ms = 20000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline std::vector<qint32> numbersOf(const std::shared_ptr<TripData>& trip)
{
    std::vector<qint32> out;
    for (const auto& c : trip->chapterDataList()) out.push_back(c->fileNumber());
    return out;
}

inline std::vector<qint32> numbersOf(const ChapterList& chapters)
{
    std::vector<qint32> out;
    for (const auto& c : chapters) out.push_back(c->fileNumber());
    return out;
}

} // namespace catalogtest
