#include "core/settings/SettingInfo.h"

#include "core/foundation/DurableFile.h"

#include <QFile>

namespace {

struct ItemSpec {
    std::uint8_t group;
    std::uint8_t item;
    int width;
};

// Code and width of each DataType case, in case order.
constexpr ItemSpec ITEMS[SettingInfo::DATA_TYPE_COUNT] = {
    {0x00, 0x01, 2}, {0x01, 0x01, 5}, {0x01, 0x21, 5}, {0x01, 0x22, 5}, {0x01, 0x55, 5}, {0x01, 0x56, 5},
    {0x01, 0x57, 5}, {0x01, 0x58, 5}, {0x01, 0x59, 1}, {0x01, 0x60, 1}, {0x03, 0x01, 1}, {0x03, 0x03, 1},
    {0x03, 0x06, 1}, {0x03, 0x07, 1}, {0x03, 0x08, 1}, {0x07, 0x24, 2}, {0x07, 0x25, 1}, {0x08, 0x01, 2},
    {0x08, 0x02, 1}, {0x08, 0x03, 1}, {0x08, 0x04, 2}, {0x08, 0x11, 2}, {0x08, 0x12, 2}, {0x10, 0x03, 1},
    {0x10, 0x06, 1}, {0x20, 0x00, 1}, {0x20, 0x01, 2}, {0x20, 0x02, 2}, {0x20, 0x03, 2}, {0x20, 0x04, 1},
    {0x20, 0x05, 1}, {0x30, 0x00, 1}, {0x30, 0x01, 2},
};
constexpr int DEVICE_TYPE_WIDTH = 1;
constexpr int SETINF_MAX_RECORDS = 255;

using DataType = SettingInfo::DataType;

std::uint8_t checkByteOf(QByteArrayView record)
{
    std::uint8_t check = 0;
    for (int i = 0; i < 7; ++i) check ^= std::uint8_t(record[i]);
    return check;
}

// A file of at most maxBytes (a longer one is cut there); empty when it
// cannot be read.
QByteArray readAtMost(const QString& path, qint64 maxBytes)
{
    if (path.isEmpty()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(maxBytes);
}

} // namespace

SettingInfo::SettingInfo()
{
    _items[std::size_t(DataType::FileInfo)] = QByteArray::fromHex("0714");
}

QByteArray SettingInfo::codeOf(DataType type)
{
    const ItemSpec& entry = ITEMS[std::size_t(type)];
    const char code[2] = {char(entry.group), char(entry.item)};
    return QByteArray(code, 2);
}

int SettingInfo::widthOf(DataType type)
{
    return ITEMS[std::size_t(type)].width;
}

QByteArray SettingInfo::buildRecord(QByteArrayView code, QByteArrayView data)
{
    QByteArray record(ITEM_BYTE_COUNT, char(NODATA));
    for (qsizetype i = 0; i < 2 && i < code.size(); ++i) record[i] = code[i];
    for (qsizetype i = 0; i < MAX_DATA_BYTES && i < data.size(); ++i) record[2 + i] = data[i];
    record[7] = char(checkByteOf(record));
    return record;
}

QByteArray SettingInfo::makeRecord(DataType type) const
{
    const QByteArray& data = item(type);
    if (data.isEmpty()) {
        if (type != DataType::Security1 && type != DataType::Security2) return {};
        return buildRecord(codeOf(type), QByteArray(MAX_DATA_BYTES, char(NODATA)));
    }
    return buildRecord(codeOf(type), data);
}

bool SettingInfo::parseRecord(QByteArrayView record)
{
    if (record.size() != ITEM_BYTE_COUNT) return false;
    if (std::uint8_t(record[7]) != checkByteOf(record)) return false;
    const std::uint8_t group = std::uint8_t(record[0]);
    const std::uint8_t code = std::uint8_t(record[1]);
    if (group == std::uint8_t(GRP_CD_DEVICETYPE[0]) && code == std::uint8_t(GRP_CD_DEVICETYPE[1])) {
        _deviceType = record.sliced(2, DEVICE_TYPE_WIDTH).toByteArray();
        return true;
    }
    for (int i = 0; i < DATA_TYPE_COUNT; ++i) {
        if (ITEMS[i].group == group && ITEMS[i].item == code) {
            _items[std::size_t(i)] = record.sliced(2, ITEMS[i].width).toByteArray();
            return true;
        }
    }
    return false;
}

QByteArray SettingInfo::makeFileData() const
{
    QByteArray data;
    for (int i = 0; i < DATA_TYPE_COUNT; ++i) data += makeRecord(DataType(i));
    for (const QByteArray& record : _unknownData) data += record.left(ITEM_BYTE_COUNT);
    return data;
}

void SettingInfo::clearItems()
{
    for (QByteArray& item : _items) item.clear();
    _unknownData.clear();
}

void SettingInfo::loadSetinfData(QByteArrayView data)
{
    clearItems();
    if (data.size() <= SETINF_COUNT_OFFSET) return;
    const int count = std::uint8_t(data[SETINF_COUNT_OFFSET]);
    // A file cut short gives the records it holds whole.
    for (int k = 0; k < count; ++k) {
        const qsizetype at = SETINF_RECORDS_OFFSET + qsizetype(k) * ITEM_BYTE_COUNT;
        if (at + ITEM_BYTE_COUNT > data.size()) break;
        parseRecord(data.sliced(at, ITEM_BYTE_COUNT));
    }
}

void SettingInfo::loadGroupData(QByteArrayView data)
{
    clearItems();
    const qsizetype whole = std::min<qsizetype>(data.size(), GROUP_FILE_SIZE) / ITEM_BYTE_COUNT;
    for (qsizetype k = 0; k < whole; ++k) parseRecord(data.sliced(k * ITEM_BYTE_COUNT, ITEM_BYTE_COUNT));
}

void SettingInfo::Load_SETINF(const QString& path)
{
    loadSetinfData(readAtMost(path, SETINF_RECORDS_OFFSET + SETINF_MAX_RECORDS * ITEM_BYTE_COUNT));
}

void SettingInfo::Load(const QString& path)
{
    loadGroupData(readAtMost(path, GROUP_FILE_SIZE));
}

QByteArray SettingInfo::groupFileImage() const
{
    QByteArray image = makeFileData().left(GROUP_FILE_SIZE);
    image.append(GROUP_FILE_SIZE - image.size(), char(NODATA));
    return image;
}

bool SettingInfo::Save(const QString& path) const
{
    return DurableFile::writeAtomically(path, groupFileImage());
}

QByteArray SettingInfo::bcdBytes(qint64 value, int count)
{
    if (count <= 0) return {};
    QByteArray out(count, '\0');
    qint64 rest = value < 0 ? 0 : value;
    for (int i = count - 1; i >= 0; --i) {
        const int low = int(rest % 10);
        rest /= 10;
        const int high = int(rest % 10);
        rest /= 10;
        out[i] = char((high << 4) | low);
    }
    return out;
}

QString SettingInfo::hexText(QByteArrayView bytes, int count)
{
    const qsizetype n = std::min<qsizetype>(std::max(count, 0), bytes.size());
    return QString::fromLatin1(bytes.first(n).toByteArray().toHex().toUpper());
}

// ---- items ----

std::int32_t SettingInfo::getItemValue(DataType type) const
{
    const QByteArray& data = item(type);
    if (data.isEmpty()) return -1;
    const QString text = hexText(data, widthOf(type));
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
    return text.toInt();
}

std::int32_t SettingInfo::getItemByte(DataType type) const
{
    const QByteArray& data = item(type);
    return data.isEmpty() ? -1 : std::int32_t(std::uint8_t(data[0]));
}

void SettingInfo::setItemValue(DataType type, int value)
{
    setItem(type, bcdBytes(value, widthOf(type)));
}

void SettingInfo::setDateTime(const QDateTime& value)
{
    if (!value.isValid()) return;
    const QDateTime local = value.toLocalTime();
    const QDate d = local.date();
    const QTime t = local.time();
    // Replaces what the item held: a record never carries more than five bytes.
    setItem(DataType::DateTime, bcdBytes(d.year() % 100, 1) + bcdBytes(d.month(), 1) + bcdBytes(d.day(), 1) +
                                    bcdBytes(t.hour(), 1) + bcdBytes(t.minute(), 1));
}

void SettingInfo::setDateTimeNone()
{
    setItem(DataType::DateTime, QByteArray(MAX_DATA_BYTES, char(NODATA)));
}

std::int32_t SettingInfo::getDeviceType() const
{
    return _deviceType.isEmpty() ? -1 : std::int32_t(std::uint8_t(_deviceType[0]));
}
std::int32_t SettingInfo::getBuzzAction() const { return getItemByte(DataType::BuzzAction); }
std::int32_t SettingInfo::getBuzzOperation() const { return getItemByte(DataType::BuzzOperation); }
std::int32_t SettingInfo::getBuzzNoCard() const { return getItemByte(DataType::BuzzNoCard); }
std::int32_t SettingInfo::getBuzzSurv() const { return getItemByte(DataType::BuzzSurv); }
std::int32_t SettingInfo::getSurvAccOffTime() const { return getItemByte(DataType::SurvAccOffTime); }
std::int32_t SettingInfo::getSurvAccnilnTime() const { return getItemByte(DataType::SurvAccOnTime); }

std::int32_t SettingInfo::getGuidanceVolume() const { return getItemValue(DataType::GuidanceVolume); }
std::int32_t SettingInfo::getQualityMode() const { return getItemValue(DataType::QualityMode); }
std::int32_t SettingInfo::getRecSound() const { return getItemValue(DataType::RecSound); }
std::int32_t SettingInfo::getGGdcLevel() const { return getItemValue(DataType::GGdcLelvel); }
std::int32_t SettingInfo::getGTrgLevel() const { return getItemValue(DataType::GTrgLevel); }
std::int32_t SettingInfo::getOpeTime() const { return getItemValue(DataType::OpeTime); }
std::int32_t SettingInfo::getSurvGSensorX() const { return getItemValue(DataType::SurvGSensorX); }
std::int32_t SettingInfo::getSurvGSensorY() const { return getItemValue(DataType::SurvGSensorY); }
std::int32_t SettingInfo::getRecFileCnt() const { return getItemValue(DataType::RecFileCnt); }

void SettingInfo::setBuzzAction(int value) { setItemValue(DataType::BuzzAction, value); }
void SettingInfo::setGuidanceVolume(int value) { setItemValue(DataType::GuidanceVolume, value); }
void SettingInfo::setBuzzOperation(int value) { setItemValue(DataType::BuzzOperation, value); }
void SettingInfo::setBuzzNoCard(int value) { setItemValue(DataType::BuzzNoCard, value); }
void SettingInfo::setBuzzSurv(int value) { setItemValue(DataType::BuzzSurv, value); }
void SettingInfo::setGGdcTime(int value) { setItemValue(DataType::GGdcTime, value); }
void SettingInfo::setGTrgTime(int value) { setItemValue(DataType::GTrgTime, value); }
void SettingInfo::setPTrgLevel(int value) { setItemValue(DataType::PTrgLevel, value); }
// One byte although the item is two wide; a file read back fills the second with 0xFF.
void SettingInfo::setPTrgTime(int value) { setItem(DataType::PTrgTime, bcdBytes(value, 1)); }
void SettingInfo::setQualityMode(int value) { setItemValue(DataType::QualityMode, value); }
void SettingInfo::setRecSound(int value) { setItemValue(DataType::RecSound, value); }
void SettingInfo::setSurvAccOffTime(int value) { setItemValue(DataType::SurvAccOffTime, value); }
void SettingInfo::setSurvAccOnTime(int value) { setItemValue(DataType::SurvAccOnTime, value); }
void SettingInfo::setGGdcLevel(int value) { setItemValue(DataType::GGdcLelvel, value); }
void SettingInfo::setGTrgLevel(int value) { setItemValue(DataType::GTrgLevel, value); }
void SettingInfo::setOpeTime(int value) { setItemValue(DataType::OpeTime, value); }
void SettingInfo::setSurvGSensorX(int value) { setItemValue(DataType::SurvGSensorX, value); }
void SettingInfo::setSurvGSensorY(int value) { setItemValue(DataType::SurvGSensorY, value); }
void SettingInfo::setRecFileCnt(int value) { setItemValue(DataType::RecFileCnt, value); }

std::int32_t SettingInfo::getGTrgCross() const
{
    const std::int32_t stored = getItemValue(DataType::GtrgCross);
    switch (stored) {
    case -1:
        return -1;
    case GTRG_CROSS_2:
        return 2;
    case GTRG_CROSS_3:
        return 3;
    case GTRG_CROSS_4:
        return 4;
    case GTRG_CROSS_5:
        return 5;
    default:
        return 1;
    }
}

void SettingInfo::setGTrgCross(int value)
{
    static constexpr std::int32_t stored[] = {GTRG_CROSS_1, GTRG_CROSS_2, GTRG_CROSS_3, GTRG_CROSS_4, GTRG_CROSS_5};
    setItemValue(DataType::GtrgCross, value >= 2 && value <= 5 ? stored[value - 1] : GTRG_CROSS_1);
}

void SettingInfo::getModAngle(std::int32_t& isAuto, std::int32_t& value) const
{
    const QByteArray& data = item(DataType::ModAngle);
    isAuto = -1;
    value = -2;
    if (data.isEmpty()) return;
    const std::uint8_t mode = std::uint8_t(data[0]);
    if (mode == 0x80) {
        isAuto = 1;
        value = 0;
        return;
    }
    if (mode != 0 && mode != 1) return;
    isAuto = 0;
    if (data.size() < 2) return;
    const std::uint8_t magnitude = std::uint8_t(data[1]);
    if ((magnitude >> 4) > 9 || (magnitude & 0x0F) > 9) return;
    const std::int32_t decimal = (magnitude >> 4) * 10 + (magnitude & 0x0F);
    value = mode == 1 ? -decimal : decimal;
}

void SettingInfo::setModAngle(bool isAuto, int value)
{
    if (isAuto) {
        setItem(DataType::ModAngle, QByteArray::fromHex("8000"));
        return;
    }
    setItem(DataType::ModAngle, QByteArray(1, char(value < 0 ? 1 : 0)) + bcdBytes(value < 0 ? -qint64(value) : value, 1));
}

void SettingInfo::getSurvRec(std::int32_t& valueOn, std::int32_t& valueOff, std::int32_t& valueMode) const
{
    valueOn = valueOff = valueMode = -1;
    switch (getItemByte(DataType::SurvRec)) {
    case 0:
        valueOn = 0, valueOff = 1, valueMode = 0;
        break;
    case 1:
        valueOn = 1, valueOff = 0, valueMode = 0;
        break;
    case 2:
        valueOn = 1, valueOff = 0, valueMode = 1;
        break;
    default:
        break;
    }
}

void SettingInfo::setSurvRec(bool valueOn, bool valueOff, int valueMode)
{
    int byte = 0;
    if (valueOn && !valueOff) byte = valueMode == 0 ? 1 : (valueMode == 1 ? 2 : 0);
    setItemValue(DataType::SurvRec, byte);
}

void SettingInfo::getAdvMode(std::int32_t& valueOn, std::int32_t& valueOff) const
{
    valueOn = valueOff = -1;
    switch (getItemByte(DataType::AdvMode)) {
    case 0:
        valueOn = 0, valueOff = 1;
        break;
    case 1:
        valueOn = 1, valueOff = 0;
        break;
    default:
        break;
    }
}

void SettingInfo::setAdvMode(bool valueOn, bool valueOff)
{
    setItemValue(DataType::AdvMode, valueOn && !valueOff ? 1 : 0);
}

void SettingInfo::clearWifiPass()
{
    for (DataType t : {DataType::WiFiPass1, DataType::WiFiPass2, DataType::WiFiPass3, DataType::WiFiPass4})
        setItem(t, QByteArray(MAX_DATA_BYTES, '\0'));
}

void SettingInfo::marge(const SettingInfo& info)
{
    static constexpr DataType taken[] = {
        DataType::DateTime,      DataType::Security1,      DataType::Security2,     DataType::ResetWifiPass,
        DataType::ResetAllSetting, DataType::BuzzAction,   DataType::GuidanceVolume, DataType::BuzzOperation,
        DataType::BuzzNoCard,    DataType::BuzzSurv,       DataType::GGdcLelvel,    DataType::GGdcTime,
        DataType::GTrgLevel,     DataType::GTrgTime,       DataType::PTrgLevel,     DataType::PTrgTime,
        DataType::GtrgCross,     DataType::ModAngle,       DataType::QualityMode,   DataType::RecSound,
        DataType::SurvRec,       DataType::OpeTime,        DataType::SurvGSensorX,  DataType::SurvGSensorY,
        DataType::SurvAccOffTime, DataType::SurvAccOnTime, DataType::AdvMode,       DataType::RecFileCnt,
    };
    for (DataType t : taken)
        if (item(t).isEmpty()) setItem(t, info.item(t));
    if (_unknownData.isEmpty()) _unknownData = info._unknownData;
}

bool SettingInfo::checkRange(double target, double low, double high, bool isPermission)
{
    if (low < target && target < high) return true;
    if ((target == low || target == high) && low <= target && target <= high) return isPermission;
    return false;
}

bool SettingInfo::checkRange(qint64 target, qint64 low, qint64 high, bool isPermission)
{
    if (low < target && target < high) return true;
    if ((target == low || target == high) && low <= target && target <= high) return isPermission;
    return false;
}
