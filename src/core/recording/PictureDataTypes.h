#pragma once

// What a picture-data load asks for.
enum class PictureDataType { All, Thumbnail, Classify };

// How a recording is stored: a folder of separate data, a recorder data
// file, or a file that may be either an MP4 movie or a data file (told
// apart by its extension).
enum class RecType { EventRec, MovieRec, Melsi14Rec };
