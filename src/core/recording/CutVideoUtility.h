#pragma once

#include "core/archive/KeyedArchive.h"
#include "core/recording/CutVideoInfo.h"
#include "core/recording/VideoFrame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>

class VideoInfo;

// Archiving of the trim information and the turning of its footers back
// into frames.
class CutVideoUtility {
public:
    CutVideoUtility() = delete;

    // The keyed archive with the record as its root object.
    static QByteArray encodeKihonInfo(const CutVideoKihonInfo& info);

    // The record archived in bytes, or none when they are not a sound keyed
    // archive of one (damaged, another root class, a required key missing
    // or mistyped, or beyond the reader's limits).
    static std::optional<CutVideoKihonInfo> decodeKihonInfo(QByteArrayView bytes);

    // A frame made from a footer. Picture and sound footers also move the
    // first and last time stamps t0 and t1 (a t0 of 0 counts as not set) and
    // the scratch recording's first and last times; any footer may set its
    // power-down flag.
    static VideoFramePtr makeFrame(const CutVideoFooterInfo& footer, std::uint32_t& t0, std::uint32_t& t1,
                                   VideoInfo& scratch);

    // What the decoder accepts: the three record classes, dictionaries and
    // dates, within the archive limits.
    static const KeyedArchive::ReadOptions& readOptions();
};
