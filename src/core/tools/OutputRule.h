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
// backup folder holding the recorder's list).
// Compared twice. By name, once every link on the way is followed, also a
// link whose target does not exist yet (a write through it creates that
// target), without regard to letter case as a card's file system compares
// names: this sees folders that do not exist yet. And by what the files
// are (device and inode): the file at the path, and the folder it lands in
// (the nearest one that exists) with every folder above it, against every
// source and recording folder: this sees a second path to the card that no
// link resolution joins (a bind mount of its folder).
QString refusal(const ChapterList& sources, const QString& outputPath);

// The same rule for a file named name in the open folder folderFd, by what
// the files are: the entry at name (followed when it is a link) and the
// folder with every folder above it. For a writer that holds the folder
// open, so that a folder swapped after a check cannot move the write.
QString refusalAt(const ChapterList& sources, int folderFd, const QString& name);

// What the user is told when a path is refused.
QString refusalText();

} // namespace OutputRule
