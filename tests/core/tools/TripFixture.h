#pragma once

// A generated card of one trip, loaded as the application loads it (its
// recordings read as the catalogue's workers read them).

#include "CardGen.h"
#include "core/catalog/CardData.h"
#include "core/catalog/TripData.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace toolstest {

class TripFixture : public ::testing::Test {
protected:
    // Writes the trip into the fixture's folder and loads its chapters.
    void loadTrip(const cardgen::TripOptions& trip)
    {
        ASSERT_TRUE(dir.isValid());
        cardgen::CardOptions o;
        o.trips = {trip};
        written = cardgen::writeCard(dir.path(), o);
        card = CardData::create();
        card->readCardData(dir.filePath("MOVE"));
        ASSERT_EQ(card->tripList().size(), 1);
        chapters = card->tripList()[0]->chapterDataList();
        ASSERT_EQ(chapters.size(), trip.chapters);
        // What the catalogue's workers do in the application: every chapter's
        // recording is read, so every length is known.
        for (const auto& chapter : chapters) chapter->loadPicture(true);
    }

    QTemporaryDir dir;
    cardgen::WrittenCard written;
    std::shared_ptr<CardData> card;
    ChapterList chapters;
};

} // namespace toolstest
