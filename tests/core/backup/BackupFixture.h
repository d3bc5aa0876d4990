#pragma once

// Helpers of the backup and clean-up tests: a generated card, checksums of
// folders and the files a job may have left behind.

#include "../../support/FolderChecksums.h"
#include "catalog/CatalogFixture.h"

namespace backuptest {

using testfiles::checksums;
using testfiles::entries;

inline cardgen::CardOptions threeTripCard()
{
    cardgen::CardOptions o;
    o.trips = {catalogtest::tripOf(2, 0), catalogtest::tripOf(3, 1), catalogtest::tripOf(1, 2)};
    o.trips[1].folder = QStringLiteral("MOVE002");
    o.trips[0].drive.incidents = {{cardgen::Incident::Kind::GShock, 5000, true}};
    o.versionFile = false;
    return o;
}

} // namespace backuptest
