#include "core/recording/FrameTable.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace {

const std::shared_ptr<const KeyList>& noKeys()
{
    static const std::shared_ptr<const KeyList> none = std::make_shared<const KeyList>();
    return none;
}

} // namespace

FrameTable::FrameTable(std::initializer_list<std::pair<const qint64, VideoFramePtr>> entries)
{
    for (const auto& [key, frame] : entries)
        try_emplace(key, frame);
}

FrameTable::const_iterator FrameTable::begin() const
{
    return const_iterator(this, 0);
}

FrameTable::const_iterator FrameTable::end() const
{
    return const_iterator(this, std::ptrdiff_t(size()));
}

FrameTable::size_type FrameTable::lowerIndex(qint64 key) const
{
    const KeyList& k = keys();
    return size_type(std::lower_bound(k.begin(), k.end(), key) - k.begin());
}

FrameTable::const_iterator FrameTable::find(qint64 key) const
{
    const size_type i = lowerIndex(key);
    return i < size() && keys()[i] == key ? const_iterator(this, std::ptrdiff_t(i)) : end();
}

FrameTable::FrameRef FrameTable::at(qint64 key) const
{
    const const_iterator it = find(key);
    if (it == end()) throw std::out_of_range("FrameTable::at: no such key");
    return FrameRef(this, it.index());
}

FrameTable::const_iterator FrameTable::lower_bound(qint64 key) const
{
    return const_iterator(this, std::ptrdiff_t(lowerIndex(key)));
}

FrameTable::const_iterator FrameTable::upper_bound(qint64 key) const
{
    const KeyList& k = keys();
    return const_iterator(this, std::upper_bound(k.begin(), k.end(), key) - k.begin());
}

const KeyList& FrameTable::keys() const
{
    return m_keys ? *m_keys : *noKeys();
}

std::shared_ptr<const KeyList> FrameTable::sharedKeys() const
{
    if (m_keys) return m_keys;
    return noKeys();
}

VideoFrame* FrameTable::frameAddress(size_type i) const
{
    if (!m_store) return m_loose[i].get();
    const std::uint32_t slot = m_slots ? (*m_slots)[i] : std::uint32_t(i);
    return slot == NO_FRAME ? nullptr : &(*m_store)[slot];
}

VideoFramePtr FrameTable::frame(size_type i) const
{
    if (!m_store) return m_loose[i];
    VideoFrame* frame = frameAddress(i);
    return frame ? VideoFramePtr(m_store, frame) : nullptr;
}

KeyList& FrameTable::editableKeys()
{
    // Copies and key arrays share the keys: a change is made to a copy of its own.
    if (!m_keys)
        m_keys = std::make_shared<KeyList>();
    else if (m_keys.use_count() > 1)
        m_keys = std::make_shared<KeyList>(*m_keys);
    return *m_keys;
}

void FrameTable::unpack()
{
    if (!m_store) return;
    std::vector<VideoFramePtr> loose;
    loose.reserve(size());
    for (size_type i = 0; i < size(); ++i)
        loose.push_back(frame(i));
    m_loose = std::move(loose);
    m_store.reset();
    m_slots.reset();
}

std::pair<FrameTable::const_iterator, bool> FrameTable::try_emplace(qint64 key, VideoFramePtr frame)
{
    unpack();
    KeyList& k = editableKeys();
    // Readers file in key order: that is an append.
    const size_type i = (k.empty() || k.back() < key) ? k.size() : lowerIndex(key);
    if (i < k.size() && k[i] == key) return {const_iterator(this, std::ptrdiff_t(i)), false};
    k.insert(k.begin() + std::ptrdiff_t(i), key);
    m_loose.insert(m_loose.begin() + std::ptrdiff_t(i), std::move(frame));
    return {const_iterator(this, std::ptrdiff_t(i)), true};
}

VideoFramePtr& FrameTable::operator[](qint64 key)
{
    const size_type i = try_emplace(key, nullptr).first.index();
    return m_loose[i];
}

void FrameTable::clear()
{
    m_keys.reset();
    m_loose.clear();
    m_store.reset();
    m_slots.reset();
}

void FrameTable::pack(const std::vector<FrameTable*>& tables)
{
    std::size_t total = 0;
    for (const FrameTable* t : tables)
        total += t->size();
    // Already packed together (the tables were completed before): nothing to do.
    const FrameStore* shared = nullptr;
    bool together = true;
    for (const FrameTable* t : tables) {
        if (t->empty()) continue;
        if (!t->m_store || (shared && t->m_store.get() != shared)) together = false;
        shared = t->m_store.get();
    }
    if (together && shared) return;

    // Every entry's frame, in table order; a frame takes the place in the
    // store of its first entry, so the store follows table 0 in key order.
    std::vector<const VideoFrame*> frames;
    frames.reserve(total);
    for (const FrameTable* t : tables)
        for (size_type i = 0; i < t->size(); ++i)
            frames.push_back(t->frameAddress(i));
    std::vector<std::uint32_t> byFrame(total);
    std::iota(byFrame.begin(), byFrame.end(), 0u);
    std::stable_sort(byFrame.begin(), byFrame.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::less<const VideoFrame*>()(frames[a], frames[b]);
    });
    std::vector<std::uint32_t> groupOf(total, NO_FRAME);
    std::vector<std::uint32_t> firstEntry; // of each distinct frame
    for (std::size_t k = 0; k < total; ++k) {
        const std::uint32_t e = byFrame[k];
        if (!frames[e]) continue;
        if (firstEntry.empty() || frames[firstEntry.back()] != frames[e]) firstEntry.push_back(e);
        groupOf[e] = std::uint32_t(firstEntry.size() - 1);
    }
    std::vector<std::uint32_t> groups(firstEntry.size());
    std::iota(groups.begin(), groups.end(), 0u);
    std::sort(groups.begin(), groups.end(),
              [&](std::uint32_t a, std::uint32_t b) { return firstEntry[a] < firstEntry[b]; });
    std::vector<std::uint32_t> slotOfGroup(groups.size());
    const auto store = std::make_shared<FrameStore>(groups.size());
    for (std::uint32_t slot = 0; slot < groups.size(); ++slot) {
        slotOfGroup[groups[slot]] = slot;
        store->assign(slot, *frames[firstEntry[groups[slot]]]);
    }

    std::size_t at = 0;
    std::vector<const FrameTable*> done;
    for (FrameTable* t : tables) {
        const size_type n = t->size();
        std::vector<std::uint32_t> slots(n);
        bool inOrder = true;
        for (size_type i = 0; i < n; ++i) {
            const std::uint32_t group = groupOf[at + i];
            slots[i] = group == NO_FRAME ? NO_FRAME : slotOfGroup[group];
            inOrder = inOrder && slots[i] == i;
        }
        at += n;
        t->m_loose = std::vector<VideoFramePtr>();
        t->m_store = store;
        t->m_slots = nullptr;
        if (!inOrder) t->m_slots = std::make_shared<const std::vector<std::uint32_t>>(std::move(slots));
        if (t->m_keys && t->m_keys.use_count() == 1) t->m_keys->shrink_to_fit();
        // Tables 0 and 1 of a movie without gaps hold the same keys and frames.
        for (const FrameTable* earlier : done) {
            if (t->m_keys && earlier->m_keys && t->m_keys != earlier->m_keys &&
                *t->m_keys == *earlier->m_keys)
                t->m_keys = earlier->m_keys;
            if (t->m_slots && earlier->m_slots && *t->m_slots == *earlier->m_slots)
                t->m_slots = earlier->m_slots;
        }
        done.push_back(t);
    }
}
