#pragma once

#include "core/catalog/ChapterData.h"

#include <QString>

// Where the files the user asks for (a trimmed movie, a still, a route for
// Google Earth) may be written, and the name a save panel settles on. One
// rule for every output, so that no tool can write onto a recording.
namespace OutputRule {

// The name the file will have: as typed when it ends in "." + suffix (any
// letter case), else with "." + suffix appended, as the panel offers only
// that type: "route 2026.03.15" becomes "route 2026.03.15.mp4" and
// "photo.jpg" becomes "photo.jpg.jpeg".
QString withSuffix(const QString& path, const QString& suffix);

// Why outputPath must not be written, for the diagnostics; empty when it
// may. Refused: a path that reaches a source chapter's own file, or a place
// inside the recording folder that holds one (a card's MOVE folder, or the
// backup folder holding the recorder's list), once every link on the way is
// followed, also a link whose target does not exist yet (a write through it
// creates that target). Names are compared without regard to letter case,
// as a card's file system compares them.
QString refusal(const ChapterList& sources, const QString& outputPath);

// What the user is told when a path is refused.
QString refusalText();

} // namespace OutputRule
