#pragma once

#include "core/foundation/CommonConst.h"
#include "core/recording/IndexRecordFields.h"
#include "core/recording/IndexRecordWorkState.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class ChapterData;

// One entry of ADV_PRCT.DAT: an adventure recording, protected from its
// start to its end moment. Decoded fields are filled by the constructor and
// only read afterwards; the catalogue's working state is behind accessors
// that lock.
class AdvMoveProtectInfo : public IndexRecordWorkState, public ProtectedEntryFields {
public:
    static constexpr qsizetype RECORD_LENGTH = 512;
    static constexpr qsizetype HEADER_LENGTH = 512;
    // Bytes the parser needs: the shared fields, the start byte and the end time.
    static constexpr qsizetype PARSED_LENGTH = 85;
    static constexpr std::uint8_t KIND_ADVENTURE = 0x25;

    // Never fails: an entry it cannot use has _infoEnable false.
    explicit AdvMoveProtectInfo(QByteArrayView data);

    // The valid entries of a whole ADV_PRCT.DAT image in file order; an
    // entry naming the same file as one already taken is dropped. Every
    // whole slot after the header is read.
    static std::vector<std::shared_ptr<AdvMoveProtectInfo>> readAll(QByteArrayView file);

    // The chapter number of the entry's movie: the last four characters of
    // the name without folder and extension, or 0.
    int chapterNo() const;

    bool _infoEnable = false;
    bool _readStopFlag = false;
    QDateTime _endDatetime = CommonConst::DEFAULT_DATE();
    std::uint8_t advModeStartFlg = 0;

private:
    bool parse(QByteArrayView d);
};
