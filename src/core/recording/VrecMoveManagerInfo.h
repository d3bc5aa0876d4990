#pragma once

#include "core/recording/IndexRecordFields.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// One entry of VREC_MOV_MNG.DAT: a normal (continuous) recording's movie
// file and the vehicle's state when it started. Decoded once by the
// constructor and only read afterwards, so it may be shared between threads.
class VrecMoveManagerInfo : public IndexEntryFields {
public:
    static constexpr qsizetype RECORD_LENGTH = 80;
    static constexpr qsizetype HEADER_LENGTH = 64;
    static constexpr std::uint8_t KIND_NORMAL = 0x17;
    static constexpr std::uint8_t KIND_END = 0xFF;

    // Never fails: an entry it cannot use (too short, wrong kind, bad name)
    // has _infoEnable false.
    explicit VrecMoveManagerInfo(QByteArrayView data);

    // The valid entries of a whole VREC_MOV_MNG.DAT image in file order,
    // following the header's list mode (1: an end marker ends the list,
    // 0: read to the end, above 1: no entries). Only whole entries are read.
    static std::vector<std::shared_ptr<const VrecMoveManagerInfo>> readAll(QByteArrayView file);

    bool _infoEnable = false;
    bool _readStopFlag = false;

private:
    bool parse(QByteArrayView d);
};
