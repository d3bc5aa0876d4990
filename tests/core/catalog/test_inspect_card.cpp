// inspect-card prints a generated card's catalogue.

#include "CatalogFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

using namespace catalogtest;

using CatalogInspectCard = CatalogFixture;

TEST_F(CatalogInspectCard, PrintsTripsEventsSurveillanceAndAdventuresOfTheDemoCard)
{
    const QString tool = QStringLiteral(KR_BINARY_DIR "/tools/inspect-card/inspect-card");
    if (!QFileInfo(tool).isExecutable()) GTEST_SKIP() << "inspect-card is not built";
    cardgen::CardOptions o = cardgen::demoCardOptions();
    for (auto& t : o.trips) t.format.realVideo = false;
    o.dataFiles.clear();
    const auto w = write(o);

    QProcess p;
    p.start(tool, {w.moveDir});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject card = QJsonDocument::fromJson(p.readAllStandardOutput()).object();

    const QJsonArray trips = card.value(QStringLiteral("trips")).toArray();
    ASSERT_EQ(trips.size(), 3);
    EXPECT_EQ(trips[0].toObject().value(QStringLiteral("chapters")).toArray().size(), 3);
    EXPECT_EQ(trips[1].toObject().value(QStringLiteral("chapters")).toArray().size(), 4);
    const QJsonObject first = trips[0].toObject().value(QStringLiteral("chapters")).toArray()[0].toObject();
    EXPECT_EQ(first.value(QStringLiteral("timeSpan")).toInteger(), 60000);
    EXPECT_EQ(first.value(QStringLiteral("timeStamp")).toInteger(), qint64(w.trips[0].chapters[0].firstStamp));
    EXPECT_EQ(card.value(QStringLiteral("tripTab")).toArray().size(), 2);

    const QJsonArray events = card.value(QStringLiteral("events")).toArray();
    ASSERT_EQ(events.size(), 3);
    // The shock 5 s into the city drive's second chapter: both chapters, 12 s
    // before to 8 s after.
    const QJsonObject shock = events[0].toObject().value(QStringLiteral("window")).toObject();
    EXPECT_EQ(shock.value(QStringLiteral("chapters")).toArray().size(), 2);
    EXPECT_EQ(shock.value(QStringLiteral("eventValue")).toInteger(), 65001);
    EXPECT_EQ(shock.value(QStringLiteral("minValue")).toInteger(), 53001);
    EXPECT_EQ(shock.value(QStringLiteral("maxValue")).toInteger(), 73001);

    const QJsonArray surveillance = card.value(QStringLiteral("surveillance")).toArray();
    ASSERT_EQ(surveillance.size(), 1);
    EXPECT_EQ(surveillance[0].toObject().value(QStringLiteral("window")).toObject().value(QStringLiteral("maxValue")).toInteger(),
              80000);
    EXPECT_EQ(card.value(QStringLiteral("adventures")).toArray().size(), 3);
    EXPECT_EQ(card.value(QStringLiteral("adventureTrips")).toArray().size(), 1);
}
