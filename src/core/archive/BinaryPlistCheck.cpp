#include "archive/BinaryPlistCheck.h"

#include <vector>

namespace BinaryPlistCheck {

namespace {

constexpr qsizetype HEADER_SIZE = 8;
constexpr qsizetype TRAILER_SIZE = 32;
// Offsets and counts are kept in 32 bits; larger lists are refused outright.
constexpr qsizetype MAX_SIZE = 0x7FFFFFFF;

std::uint64_t readBE(QByteArrayView d, qsizetype offset, int width)
{
    std::uint64_t v = 0;
    for (int i = 0; i < width; ++i) v = (v << 8) | static_cast<std::uint8_t>(d[offset + i]);
    return v;
}

enum : std::uint8_t { Unseen, Open, Done };

struct ObjectInfo {
    std::uint32_t refsAt = 0;   // first reference byte (containers)
    std::uint32_t refCount = 0; // references (a dictionary's keys and values)
    std::uint32_t nodes = 0;    // parsed-tree nodes of the subtree
    std::uint8_t type = 0xFF;   // marker's high nibble; 0xFF = not parsed yet
    std::uint8_t state = Unseen;
};

class Checker {
public:
    Checker(QByteArrayView d, const Limits& limits) : m_d(d), m_limits(limits) {}

    bool run()
    {
        if (m_d.size() < HEADER_SIZE + TRAILER_SIZE || m_d.size() > MAX_SIZE) return false;
        if (m_d.first(8) != QByteArrayView("bplist00")) return false;
        if (m_limits.maxNodes >= 0xFFFFFFFFu) return false;
        const qsizetype t = m_d.size() - TRAILER_SIZE;
        m_offsetSize = static_cast<std::uint8_t>(m_d[t + 6]);
        m_refSize = static_cast<std::uint8_t>(m_d[t + 7]);
        m_count = readBE(m_d, t + 8, 8);
        const std::uint64_t top = readBE(m_d, t + 16, 8);
        const std::uint64_t tableOffset = readBE(m_d, t + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8) return false;
        if (m_count == 0 || m_count > m_limits.maxObjects || top >= m_count) return false;
        if (tableOffset < static_cast<std::uint64_t>(HEADER_SIZE) || tableOffset > static_cast<std::uint64_t>(t))
            return false;
        // The table must fit between its offset and the trailer; this also
        // keeps the object count below the byte count.
        if (m_count > (static_cast<std::uint64_t>(t) - tableOffset) / m_offsetSize) return false;
        m_tableOffset = static_cast<qsizetype>(tableOffset);
        m_info.assign(static_cast<std::size_t>(m_count), ObjectInfo{});
        return walk(top);
    }

private:
    // Reads a long element count that follows a marker; false when it does
    // not fit before the offset table.
    bool readCount(qsizetype& pos, std::uint8_t low, std::uint64_t& count) const
    {
        if (low != 0x0F) {
            count = low;
            return true;
        }
        if (pos >= m_tableOffset) return false;
        const auto marker = static_cast<std::uint8_t>(m_d[pos]);
        if ((marker >> 4) != 0x1) return false;
        const int width = 1 << (marker & 0x0F);
        if (width > 8 || width > m_tableOffset - pos - 1) return false;
        count = readBE(m_d, pos + 1, width);
        pos += 1 + width;
        return true;
    }

    // count units of unit bytes fit between pos and the offset table.
    bool fitsBytes(qsizetype pos, std::uint64_t count, std::uint64_t unit) const
    {
        return count <= static_cast<std::uint64_t>(m_tableOffset - pos) / unit;
    }

    bool parseObject(std::uint64_t index)
    {
        ObjectInfo& info = m_info[static_cast<std::size_t>(index)];
        if (info.type != 0xFF) return true;
        const std::uint64_t offset =
            readBE(m_d, m_tableOffset + static_cast<qsizetype>(index) * m_offsetSize, m_offsetSize);
        if (offset < static_cast<std::uint64_t>(HEADER_SIZE) || offset >= static_cast<std::uint64_t>(m_tableOffset))
            return false;
        qsizetype pos = static_cast<qsizetype>(offset);
        const auto marker = static_cast<std::uint8_t>(m_d[pos++]);
        const std::uint8_t type = marker >> 4;
        const std::uint8_t low = marker & 0x0F;
        std::uint64_t count = 0;
        switch (type) {
        case 0x0: // false, true
            if (low != 0x08 && low != 0x09) return false;
            break;
        case 0x1: // integer of 1, 2, 4, 8 or 16 bytes
            if (low > 4 || !fitsBytes(pos, std::uint64_t{1} << low, 1)) return false;
            break;
        case 0x2: // real of 4 or 8 bytes
            if ((low != 2 && low != 3) || !fitsBytes(pos, std::uint64_t{1} << low, 1)) return false;
            break;
        case 0x3: // date
            if (low != 3 || !fitsBytes(pos, 8, 1)) return false;
            break;
        case 0x4: // data
        case 0x5: // ASCII text
            if (!readCount(pos, low, count) || !fitsBytes(pos, count, 1)) return false;
            break;
        case 0x6: // UTF-16 text
            if (!readCount(pos, low, count) || !fitsBytes(pos, count, 2)) return false;
            break;
        case 0x8: // UID
            if (low > 7 || !fitsBytes(pos, low + 1u, 1)) return false;
            break;
        case 0xA: // array
        case 0xD: // dictionary: keys, then values
        {
            if (!readCount(pos, low, count)) return false;
            // Both counts are below the byte count once they fit.
            if (!fitsBytes(pos, count, m_refSize)) return false;
            if (type == 0xD && !fitsBytes(pos, count * 2, m_refSize)) return false;
            info.refsAt = static_cast<std::uint32_t>(pos);
            info.refCount = static_cast<std::uint32_t>(type == 0xD ? count * 2 : count);
            break;
        }
        default:
            return false;
        }
        info.type = type;
        return true;
    }

    std::uint64_t ref(const ObjectInfo& info, std::uint32_t i) const
    {
        return readBE(m_d, static_cast<qsizetype>(info.refsAt) + static_cast<qsizetype>(i) * m_refSize, m_refSize);
    }

    // Depth-first over the references with an explicit stack, so a hostile
    // list cannot exhaust the call stack here either.
    bool walk(std::uint64_t top)
    {
        struct Frame {
            std::uint32_t index;
            std::uint32_t next;
        };
        std::vector<Frame> stack;
        std::uint64_t work = 0;

        if (!parseObject(top)) return false;
        stack.push_back({static_cast<std::uint32_t>(top), 0});
        m_info[top].state = Open;
        while (!stack.empty()) {
            const std::uint32_t index = stack.back().index;
            ObjectInfo& info = m_info[index];
            if (stack.back().next < info.refCount) {
                if (++work > m_limits.maxNodes) return false;
                const std::uint32_t position = stack.back().next++;
                const std::uint64_t child = ref(info, position);
                if (child >= m_count) return false;
                ObjectInfo& c = m_info[static_cast<std::size_t>(child)];
                if (c.state == Open) return false; // a container inside itself
                if (!parseObject(child)) return false;
                if (info.type == 0xD && position < info.refCount / 2 && c.type != 0x5 && c.type != 0x6)
                    return false; // dictionary keys must be text
                if (c.state == Done) continue;
                if (static_cast<int>(stack.size()) >= m_limits.maxDepth) return false;
                c.state = Open;
                stack.push_back({static_cast<std::uint32_t>(child), 0});
                continue;
            }
            // Every child is done: count this subtree's nodes, one copy per
            // reference, as the parser will build them.
            std::uint64_t total = 1;
            for (std::uint32_t i = 0; i < info.refCount; ++i) {
                total += m_info[static_cast<std::size_t>(ref(info, i))].nodes;
                if (total > m_limits.maxNodes) return false;
            }
            info.nodes = static_cast<std::uint32_t>(total);
            info.state = Done;
            stack.pop_back();
        }
        return true;
    }

    QByteArrayView m_d;
    const Limits& m_limits;
    int m_offsetSize = 0;
    int m_refSize = 0;
    std::uint64_t m_count = 0;
    qsizetype m_tableOffset = 0;
    std::vector<ObjectInfo> m_info;
};

} // namespace

bool isSound(QByteArrayView data, const Limits& limits)
{
    return Checker(data, limits).run();
}

} // namespace BinaryPlistCheck
