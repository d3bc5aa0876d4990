#include "core/archive/BinaryPlist.h"

#include <bit>
#include <cstring>
#include <limits>

namespace BinaryPlist {

namespace {

constexpr qsizetype HEADER_SIZE = 8;
constexpr qsizetype TRAILER_SIZE = 32;
constexpr char MAGIC[] = "bplist00";

} // namespace

// ---- reading --------------------------------------------------------------

std::optional<Document> Document::open(QByteArrayView data, const Limits& limits)
{
    if (data.size() < HEADER_SIZE + TRAILER_SIZE) return std::nullopt;
    if (std::memcmp(data.data(), MAGIC, HEADER_SIZE) != 0) return std::nullopt;
    Document doc;
    doc.m_d = data;
    doc.m_limits = limits;
    const qsizetype t = data.size() - TRAILER_SIZE;
    doc.m_offsetSize = static_cast<std::uint8_t>(data[t + 6]);
    doc.m_refSize = static_cast<std::uint8_t>(data[t + 7]);
    doc.m_count = doc.readBE(t + 8, 8);
    doc.m_top = doc.readBE(t + 16, 8);
    const std::uint64_t tableOffset = doc.readBE(t + 24, 8);
    if (doc.m_offsetSize < 1 || doc.m_offsetSize > 8 || doc.m_refSize < 1 || doc.m_refSize > 8)
        return std::nullopt;
    if (doc.m_count == 0 || doc.m_count > limits.maxObjects || doc.m_top >= doc.m_count) return std::nullopt;
    if (tableOffset < static_cast<std::uint64_t>(HEADER_SIZE) || tableOffset > static_cast<std::uint64_t>(t))
        return std::nullopt;
    // The table lies between its offset and the trailer.
    if (doc.m_count >
        (static_cast<std::uint64_t>(t) - tableOffset) / static_cast<std::uint64_t>(doc.m_offsetSize))
        return std::nullopt;
    doc.m_tableOffset = static_cast<qsizetype>(tableOffset);
    return doc;
}

std::uint64_t Document::readBE(qsizetype offset, int width) const
{
    std::uint64_t v = 0;
    for (int i = 0; i < width; ++i)
        v = (v << 8) | static_cast<std::uint8_t>(m_d[offset + i]);
    return v;
}

bool Document::fits(qsizetype pos, std::uint64_t count, std::uint64_t unit) const
{
    return pos <= m_tableOffset && count <= static_cast<std::uint64_t>(m_tableOffset - pos) / unit;
}

bool Document::readCount(qsizetype& pos, std::uint8_t low, std::uint64_t& count) const
{
    if (low != 0x0F) {
        count = low;
        return true;
    }
    if (!fits(pos, 1, 1)) return false;
    const auto marker = static_cast<std::uint8_t>(m_d[pos]);
    if ((marker >> 4) != 0x1 || (marker & 0x0F) > 3) return false;
    const int width = 1 << (marker & 0x0F);
    if (!fits(pos + 1, static_cast<std::uint64_t>(width), 1)) return false;
    count = readBE(pos + 1, width);
    pos += 1 + width;
    return true;
}

std::optional<Object> Document::object(std::uint64_t index)
{
    if (index >= m_count) return std::nullopt;
    const std::uint64_t offset =
        readBE(m_tableOffset + static_cast<qsizetype>(index) * m_offsetSize, m_offsetSize);
    if (offset < static_cast<std::uint64_t>(HEADER_SIZE) ||
        offset >= static_cast<std::uint64_t>(m_tableOffset))
        return std::nullopt;
    qsizetype pos = static_cast<qsizetype>(offset);
    const auto marker = static_cast<std::uint8_t>(m_d[pos++]);
    const std::uint8_t kind = marker >> 4;
    const std::uint8_t low = marker & 0x0F;
    Object o;
    std::uint64_t count = 0;
    switch (kind) {
    case 0x0:
        if (low != 0x08 && low != 0x09) return std::nullopt;
        o.type = Type::Bool;
        o.boolean = low == 0x09;
        return o;
    case 0x1: {
        if (low > 4 || !fits(pos, std::uint64_t{1} << low, 1)) return std::nullopt;
        o.type = Type::Integer;
        if (low == 4) {
            // 128-bit: only values that fit a signed 64-bit integer.
            const std::uint64_t high = readBE(pos, 8);
            const std::uint64_t lowPart = readBE(pos + 8, 8);
            const bool negative = high == std::numeric_limits<std::uint64_t>::max() && (lowPart >> 63) != 0;
            if (!(high == 0 && (lowPart >> 63) == 0) && !negative) return std::nullopt;
            o.integer = std::bit_cast<std::int64_t>(lowPart);
        } else {
            const std::uint64_t v = readBE(pos, 1 << low);
            // Only the 8-byte form is signed.
            o.integer = std::bit_cast<std::int64_t>(v);
        }
        return o;
    }
    case 0x2:
        if (low == 2 && fits(pos, 4, 1)) {
            o.real = std::bit_cast<float>(static_cast<std::uint32_t>(readBE(pos, 4)));
        } else if (low == 3 && fits(pos, 8, 1)) {
            o.real = std::bit_cast<double>(readBE(pos, 8));
        } else {
            return std::nullopt;
        }
        o.type = Type::Real;
        return o;
    case 0x3:
        if (low != 3 || !fits(pos, 8, 1)) return std::nullopt;
        o.type = Type::Date;
        o.real = std::bit_cast<double>(readBE(pos, 8));
        return o;
    case 0x4:
        if (!readCount(pos, low, count) || !fits(pos, count, 1)) return std::nullopt;
        o.type = Type::Data;
        return o;
    case 0x5:
        if (!readCount(pos, low, count) || !fits(pos, count, 1)) return std::nullopt;
        o.type = Type::String;
        o.string = QString::fromLatin1(m_d.data() + pos, static_cast<qsizetype>(count));
        return o;
    case 0x6: {
        if (!readCount(pos, low, count) || !fits(pos, count, 2)) return std::nullopt;
        o.type = Type::String;
        o.string.resize(static_cast<qsizetype>(count));
        for (qsizetype i = 0; i < static_cast<qsizetype>(count); ++i)
            o.string[i] = QChar(static_cast<char16_t>(readBE(pos + 2 * i, 2)));
        return o;
    }
    case 0x8:
        if (low > 7 || !fits(pos, low + 1u, 1)) return std::nullopt;
        o.type = Type::Uid;
        o.uid = readBE(pos, low + 1);
        return o;
    case 0xA:
    case 0xD: {
        if (!readCount(pos, low, count) || !fits(pos, count, static_cast<std::uint64_t>(m_refSize)))
            return std::nullopt;
        const std::uint64_t refs = kind == 0xD ? count * 2 : count; // count fits the bytes: no overflow
        if (!fits(pos, refs, static_cast<std::uint64_t>(m_refSize))) return std::nullopt;
        if (refs > m_limits.maxElements - std::min(m_elementsRead, m_limits.maxElements)) return std::nullopt;
        m_elementsRead += refs;
        o.type = kind == 0xD ? Type::Dict : Type::Array;
        o.refs.reserve(static_cast<std::size_t>(refs));
        for (std::uint64_t i = 0; i < refs; ++i) {
            const std::uint64_t ref = readBE(pos + static_cast<qsizetype>(i) * m_refSize, m_refSize);
            if (ref >= m_count) return std::nullopt;
            o.refs.push_back(ref);
        }
        return o;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> Document::string(std::uint64_t index)
{
    if (auto it = m_strings.find(index); it != m_strings.end()) return it->second;
    std::optional<Object> o = object(index);
    if (!o || o->type != Type::String) return std::nullopt;
    m_strings.emplace(index, o->string);
    return std::move(o->string);
}

std::optional<Object> Document::value(const Object& dict, const char* key)
{
    if (dict.type != Type::Dict) return std::nullopt;
    const std::size_t n = dict.dictSize();
    const QLatin1String wanted(key);
    for (std::size_t i = 0; i < n; ++i) {
        const std::optional<QString> k = string(dict.refs[i]);
        if (!k) return std::nullopt;
        if (*k == wanted) return object(dict.refs[n + i]);
    }
    return std::nullopt;
}

// ---- writing --------------------------------------------------------------

namespace {

int bytesFor(std::uint64_t v)
{
    if (v <= 0xFF) return 1;
    if (v <= 0xFFFF) return 2;
    if (v <= 0xFFFFFFFFu) return 4;
    return 8;
}

void appendBE(QByteArray& out, std::uint64_t v, int width)
{
    for (int i = width - 1; i >= 0; --i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void appendInteger(QByteArray& out, std::int64_t v)
{
    // Non-negative values take the smallest unsigned form; negative ones
    // the 8-byte form, which readers take as signed.
    const int width = v < 0 ? 8 : bytesFor(static_cast<std::uint64_t>(v));
    const int power = width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3;
    out.append(static_cast<char>(0x10 | power));
    appendBE(out, static_cast<std::uint64_t>(v), width);
}

void appendMarker(QByteArray& out, std::uint8_t kind, std::uint64_t count)
{
    if (count < 15) {
        out.append(static_cast<char>((kind << 4) | count));
    } else {
        out.append(static_cast<char>((kind << 4) | 0x0F));
        appendInteger(out, static_cast<std::int64_t>(count));
    }
}

} // namespace

std::uint64_t Writer::add(Item item)
{
    m_items.push_back(std::move(item));
    return m_items.size() - 1;
}

std::uint64_t Writer::addBool(bool v)
{
    Item i;
    i.type = Type::Bool;
    i.integer = v ? 1 : 0;
    return add(std::move(i));
}

std::uint64_t Writer::addInteger(std::int64_t v)
{
    if (auto it = m_integerIndex.find(v); it != m_integerIndex.end()) return it->second;
    Item i;
    i.type = Type::Integer;
    i.integer = v;
    const std::uint64_t index = add(std::move(i));
    m_integerIndex.emplace(v, index);
    return index;
}

std::uint64_t Writer::addReal(double v)
{
    Item i;
    i.type = Type::Real;
    i.real = v;
    return add(std::move(i));
}

std::uint64_t Writer::addString(const QString& v)
{
    if (auto it = m_stringIndex.find(v); it != m_stringIndex.end()) return it->second;
    Item i;
    i.type = Type::String;
    i.string = v;
    const std::uint64_t index = add(std::move(i));
    m_stringIndex.emplace(v, index);
    return index;
}

std::uint64_t Writer::addUid(std::uint64_t v)
{
    if (auto it = m_uidIndex.find(v); it != m_uidIndex.end()) return it->second;
    Item i;
    i.type = Type::Uid;
    i.integer = static_cast<std::int64_t>(v);
    const std::uint64_t index = add(std::move(i));
    m_uidIndex.emplace(v, index);
    return index;
}

std::uint64_t Writer::addArray(std::vector<std::uint64_t> refs)
{
    const std::uint64_t index = reserve();
    setArray(index, std::move(refs));
    return index;
}

std::uint64_t Writer::addDict(std::vector<std::pair<std::uint64_t, std::uint64_t>> entries)
{
    const std::uint64_t index = reserve();
    setDict(index, std::move(entries));
    return index;
}

std::uint64_t Writer::reserve()
{
    Item i;
    i.type = Type::Array;
    return add(std::move(i));
}

void Writer::setArray(std::uint64_t index, std::vector<std::uint64_t> refs)
{
    Item& i = m_items.at(index);
    i.type = Type::Array;
    i.refs = std::move(refs);
}

void Writer::setDict(std::uint64_t index, std::vector<std::pair<std::uint64_t, std::uint64_t>> entries)
{
    Item& i = m_items.at(index);
    i.type = Type::Dict;
    i.refs.clear();
    i.refs.reserve(entries.size() * 2);
    for (const auto& e : entries)
        i.refs.push_back(e.first);
    for (const auto& e : entries)
        i.refs.push_back(e.second);
}

QByteArray Writer::finish(std::uint64_t top) const
{
    const std::uint64_t count = m_items.size();
    const int refSize = bytesFor(count == 0 ? 0 : count - 1);
    QByteArray out(MAGIC, HEADER_SIZE);
    std::vector<std::uint64_t> offsets;
    offsets.reserve(m_items.size());
    for (const Item& i : m_items) {
        offsets.push_back(static_cast<std::uint64_t>(out.size()));
        switch (i.type) {
        case Type::Bool:
            out.append(static_cast<char>(i.integer ? 0x09 : 0x08));
            break;
        case Type::Integer:
            appendInteger(out, i.integer);
            break;
        case Type::Real:
            out.append(static_cast<char>(0x23));
            appendBE(out, std::bit_cast<std::uint64_t>(i.real), 8);
            break;
        case Type::String: {
            bool ascii = true;
            for (QChar c : i.string)
                if (c.unicode() >= 0x80) ascii = false;
            if (ascii) {
                appendMarker(out, 0x5, static_cast<std::uint64_t>(i.string.size()));
                out.append(i.string.toLatin1());
            } else {
                appendMarker(out, 0x6, static_cast<std::uint64_t>(i.string.size()));
                for (QChar c : i.string)
                    appendBE(out, c.unicode(), 2);
            }
            break;
        }
        case Type::Uid: {
            const int width = bytesFor(static_cast<std::uint64_t>(i.integer));
            out.append(static_cast<char>(0x80 | (width - 1)));
            appendBE(out, static_cast<std::uint64_t>(i.integer), width);
            break;
        }
        case Type::Array:
        case Type::Dict:
            appendMarker(out, i.type == Type::Dict ? 0xD : 0xA,
                         i.type == Type::Dict ? i.refs.size() / 2 : i.refs.size());
            for (std::uint64_t r : i.refs)
                appendBE(out, r, refSize);
            break;
        case Type::Date:
        case Type::Data:
            break; // never added
        }
    }
    const std::uint64_t tableOffset = static_cast<std::uint64_t>(out.size());
    const int offsetSize = bytesFor(tableOffset);
    for (std::uint64_t o : offsets)
        appendBE(out, o, offsetSize);
    out.append(QByteArray(6, '\0'));
    out.append(static_cast<char>(offsetSize));
    out.append(static_cast<char>(refSize));
    appendBE(out, count, 8);
    appendBE(out, top, 8);
    appendBE(out, tableOffset, 8);
    return out;
}

} // namespace BinaryPlist
