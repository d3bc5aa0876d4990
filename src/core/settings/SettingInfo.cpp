#include "settings/SettingInfo.h"

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
    for (qsizetype i = 0; i < 5 && i < data.size(); ++i) record[2 + i] = data[i];
    std::uint8_t check = 0;
    for (int i = 0; i < 7; ++i) check ^= std::uint8_t(record[i]);
    record[7] = char(check);
    return record;
}

QByteArray SettingInfo::makeRecord(DataType type) const
{
    const QByteArray& data = item(type);
    if (data.isEmpty()) {
        if (type != DataType::Security1 && type != DataType::Security2) return {};
        return buildRecord(codeOf(type), QByteArray(5, char(NODATA)));
    }
    return buildRecord(codeOf(type), data);
}
