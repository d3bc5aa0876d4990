// The keyed-archive reader and the trimmed-movie decoding, on arbitrary
// bytes and on edits of a sound trim-information archive.
#include "core/archive/KeyedArchive.h"
#include "core/recording/CutVideoUtility.h"
#include "core/recording/TrimmedMovie.h"
#include "core/recording/VideoInfo.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace {

// A small sound archive of the trim information, made once.
const QByteArray& soundArchive()
{
    static const QByteArray bytes = [] {
        VideoInfo source;
        FrameTable table;
        for (qint64 k = 0; k < 6 * 36; k += 36) {
            auto f = std::make_shared<VideoFrame>();
            f->_id = 0x55;
            f->_timeStamp = std::uint32_t(5000 + k);
            f->_movieTimeStamp = std::uint32_t(k);
            table[k] = f;
        }
        source._cameraFrames[0] = table;
        source._cameraFrames[1] = table;
        source.completeTables();
        const CutVideoKihonInfo k(source, 20, 200, 200, true, true, false, false);
        return CutVideoUtility::encodeKihonInfo(k);
    }();
    return bytes;
}

void decode(const QByteArray& bytes)
{
    KeyedArchive::ReadOptions generic;
    generic.allowedClasses = {KeyedArchive::CLASS_ARRAY,        KeyedArchive::CLASS_MUTABLE_ARRAY,
                              KeyedArchive::CLASS_DICTIONARY,   KeyedArchive::CLASS_MUTABLE_DICTIONARY,
                              KeyedArchive::CLASS_DATE,         CutVideoKihonInfo::CLASS_NAME(),
                              CutVideoFooterInfo::CLASS_NAME(), CutVideoSettingInfo::CLASS_NAME()};
    generic.maxNodes = 200000;
    if (const auto v = KeyedArchive::read(bytes, generic)) (void)(*v == *v);

    VideoInfo info;
    std::uint32_t t0 = 0;
    std::uint32_t t1 = 0;
    (void)TrimmedMovie::readArchive(info, bytes, CommonConst::DEFAULT_DATE(),
                                    CommonConst::DEFAULT_DATE().addYears(4000), t0, t1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    decode(input);

    // The input as edits of the sound archive: a length to cut it to, then
    // (position, byte) pairs. Reaches the layers behind the binary-list
    // check far more often than raw bytes do.
    const QByteArray& base = soundArchive();
    if (size < 2 || base.isEmpty()) return 0;
    QByteArray edited = base;
    const qsizetype keep = base.size() - qsizetype((data[0] << 8 | data[1]) % 64);
    for (std::size_t i = 2; i + 2 < size; i += 3) {
        const qsizetype at = qsizetype((data[i] << 8 | data[i + 1]) % base.size());
        edited[at] = char(data[i + 2]);
    }
    edited.truncate(keep);
    decode(edited);
    return 0;
}
