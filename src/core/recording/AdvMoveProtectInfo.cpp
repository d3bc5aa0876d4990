#include "core/recording/AdvMoveProtectInfo.h"

#include "core/foundation/DataUtility.h"
#include "core/recording/IndexRecordFields.h"

#include <QSet>

AdvMoveProtectInfo::AdvMoveProtectInfo(QByteArrayView data)
{
    _infoEnable = parse(data);
    // This file has no end marker; the flag never ends a list.
    _readStopFlag = false;
}

bool AdvMoveProtectInfo::parse(QByteArrayView d)
{
    if (d.isEmpty()) return false;
    const auto kind = static_cast<std::uint8_t>(d[0]);
    if (kind == 0xFF) _readStopFlag = true;
    if (kind != KIND_ADVENTURE) return false;
    if (d.size() < PARSED_LENGTH) return false;

    decodeProtectedFields(d);
    advModeStartFlg = static_cast<std::uint8_t>(d[80]);
    _endDatetime = DataUtility::toDateFromUnixTime(d, 81);

    return IndexRecordFields::isUsableMovieName(IndexRecordFields::lastPathComponent(_fileName));
}

int AdvMoveProtectInfo::chapterNo() const
{
    QString stem = IndexRecordFields::lastPathComponent(_fileName);
    const qsizetype dot = stem.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) stem.truncate(dot);
    if (stem.size() < 4) return 0;
    const QString last4 = stem.right(4);
    // A decimal integer: an optional sign, then ASCII digits only.
    qsizetype i = (last4[0] == QLatin1Char('+') || last4[0] == QLatin1Char('-')) ? 1 : 0;
    for (; i < last4.size(); ++i)
        if (last4[i] < QLatin1Char('0') || last4[i] > QLatin1Char('9')) return 0;
    bool ok = false;
    const int v = last4.toInt(&ok, 10);
    return ok ? v : 0;
}

std::vector<std::shared_ptr<AdvMoveProtectInfo>> AdvMoveProtectInfo::readAll(QByteArrayView file)
{
    std::vector<std::shared_ptr<AdvMoveProtectInfo>> out;
    QSet<QString> taken;
    for (qsizetype offset = HEADER_LENGTH; DataUtility::fits(file, offset, RECORD_LENGTH);
         offset += RECORD_LENGTH) {
        auto record = std::make_shared<AdvMoveProtectInfo>(file.sliced(offset, RECORD_LENGTH));
        if (taken.contains(record->_fileName)) continue;
        if (!record->_infoEnable) continue;
        taken.insert(record->_fileName);
        out.push_back(std::move(record));
    }
    return out;
}
