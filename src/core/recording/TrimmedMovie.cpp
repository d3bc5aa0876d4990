#include "recording/TrimmedMovie.h"

// The archive of the trim information is not decoded yet: a trimmed movie
// is recognised, and reads as a recording without frames.
bool TrimmedMovie::readArchive(VideoInfo& /*info*/, QByteArrayView /*archive*/, std::uint32_t& t0,
                               std::uint32_t& t1)
{
    t0 = 0;
    t1 = 0;
    return false;
}
