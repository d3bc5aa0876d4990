#pragma once

#include "core/recording/IndexRecordFields.h"
#include "core/recording/IndexRecordWorkState.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class ChapterData;

// One entry of MOV_PRCT.DAT: a protected recording (G-sensor event,
// surveillance recording or switch recording) and the moment and place of
// its trigger. The decoded fields are filled by the constructor and only
// read afterwards; the catalogue's working state (thumbnail, retry count,
// found chapter) is behind accessors that lock.
class MoveProtectInfo : public IndexRecordWorkState, public ProtectedEntryFields {
public:
    // The region of the file an entry came from, and so its trigger.
    enum class DetectStatus { NON, G, SURV, SW };

    static constexpr qsizetype RECORD_LENGTH = 512;
    static constexpr qsizetype HEADER_LENGTH = 512;
    // Bytes the parser needs: the shared fields plus protection type and
    // surveillance validity.
    static constexpr qsizetype PARSED_LENGTH = 82;

    struct Region {
        qsizetype start;
        qsizetype end; // exclusive
    };
    static Region region(DetectStatus detect);

    // Never fails: an entry it cannot use has _isInfoEnable false.
    MoveProtectInfo(QByteArrayView data, DetectStatus detect);

    // The valid entries of one region of a whole MOV_PRCT.DAT image, in
    // file order, following the header's list mode. Only entries that lie
    // wholly inside both the region and the file are read.
    static std::vector<std::shared_ptr<MoveProtectInfo>> readRegion(QByteArrayView file, DetectStatus detect);

    bool _isInfoEnable = false;
    bool _isReadStopFlag = false;
    std::int32_t _protectType = 0;
    std::int32_t _survRecValidData = 0;
    DetectStatus _detect = DetectStatus::NON;

private:
    bool parse(QByteArrayView d);
};
