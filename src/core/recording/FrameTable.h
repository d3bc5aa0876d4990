#pragma once

#include "core/recording/VideoFrame.h"

#include <QtGlobal>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

using FrameList = std::vector<VideoFramePtr>;
using KeyList = std::vector<qint64>;

// The frames of one recording side by side in one block, shared by its
// tables. A frame handed out of it keeps the whole block alive.
class FrameStore {
public:
    explicit FrameStore(std::size_t count) : m_frames(new VideoFrame[count]), m_count(count) {}
    std::size_t size() const { return m_count; }
    VideoFrame& operator[](std::size_t i) const { return m_frames[i]; }
    void assign(std::size_t i, const VideoFrame& from) { m_frames[i].assign(from); }

private:
    std::unique_ptr<VideoFrame[]> m_frames;
    std::size_t m_count;
};

// A frame table: time key in ms (from the recording's first time stamp) to
// frame, read as a std::map<qint64, VideoFramePtr> is read.
//
// A reader fills a table key by key with frames of their own; filling in key
// order is cheap, a key put anywhere else moves the keys after it. Then
// pack() puts the frames of all of a recording's tables together: each frame
// once in one FrameStore the tables share, each key an index into it, and
// equal key and index arrays shared between tables. Changing a packed table
// unpacks it again, its frames still shared with the other tables.
class FrameTable {
public:
    using key_type = qint64;
    using size_type = std::size_t;

    // What a table holds under a key, as its iterators give it: the frame (null
    // where the key holds none), which turns into a VideoFramePtr that shares
    // the frame's owner. Valid while the table is unchanged.
    class FrameRef {
    public:
        FrameRef() = default;
        VideoFrame* get() const { return m_frame; }
        VideoFrame* operator->() const { return m_frame; }
        VideoFrame& operator*() const { return *m_frame; }
        explicit operator bool() const { return m_frame != nullptr; }
        operator VideoFramePtr() const { return m_table ? m_table->frame(m_index) : nullptr; }

        friend bool operator==(const FrameRef& a, const FrameRef& b) { return a.m_frame == b.m_frame; }
        friend bool operator==(const FrameRef& a, const VideoFramePtr& b) { return a.m_frame == b.get(); }

    private:
        friend class FrameTable;
        friend class const_iterator;
        FrameRef(const FrameTable* table, size_type index)
            : m_table(table), m_index(index), m_frame(table->frameAddress(index))
        {
        }

        const FrameTable* m_table = nullptr;
        size_type m_index = 0;
        VideoFrame* m_frame = nullptr;
    };

    // Gives (key, frame) pairs made on the fly: bind them by value or const reference.
    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::pair<qint64, FrameRef>;
        using difference_type = std::ptrdiff_t;
        using reference = value_type;
        // What operator-> gives: the pair itself, held for the expression.
        class pointer {
        public:
            explicit pointer(value_type value) : m_value(std::move(value)) {}
            const value_type* operator->() const { return &m_value; }

        private:
            value_type m_value;
        };

        const_iterator() = default;

        reference operator*() const
        {
            return {(*m_table->m_keys)[std::size_t(m_index)], FrameRef(m_table, size_type(m_index))};
        }
        pointer operator->() const { return pointer(**this); }
        reference operator[](difference_type n) const { return *(*this + n); }

        const_iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator old = *this;
            ++m_index;
            return old;
        }
        const_iterator& operator--()
        {
            --m_index;
            return *this;
        }
        const_iterator operator--(int)
        {
            const_iterator old = *this;
            --m_index;
            return old;
        }
        const_iterator& operator+=(difference_type n)
        {
            m_index += n;
            return *this;
        }
        const_iterator& operator-=(difference_type n)
        {
            m_index -= n;
            return *this;
        }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b)
        {
            return a.m_index - b.m_index;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b)
        {
            return a.m_index == b.m_index;
        }
        friend std::strong_ordering operator<=>(const const_iterator& a, const const_iterator& b)
        {
            return a.m_index <=> b.m_index;
        }

        // The position in the table.
        size_type index() const { return size_type(m_index); }

    private:
        friend class FrameTable;
        const_iterator(const FrameTable* table, difference_type index) : m_table(table), m_index(index) {}

        const FrameTable* m_table = nullptr;
        difference_type m_index = 0;
    };

    using value_type = std::pair<qint64, FrameRef>;
    using iterator = const_iterator;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;
    using reverse_iterator = const_reverse_iterator;

    FrameTable() = default;
    FrameTable(std::initializer_list<std::pair<const qint64, VideoFramePtr>> entries);

    // ---- reading ----

    size_type size() const { return m_keys ? m_keys->size() : 0; }
    bool empty() const { return size() == 0; }
    const_iterator begin() const;
    const_iterator end() const;
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }
    const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }
    const_iterator find(qint64 key) const;
    size_type count(qint64 key) const { return find(key) != end() ? 1 : 0; }
    bool contains(qint64 key) const { return count(key) != 0; }
    // Throws std::out_of_range when the table has no such key.
    FrameRef at(qint64 key) const;
    const_iterator lower_bound(qint64 key) const;
    const_iterator upper_bound(qint64 key) const;

    // The keys in ascending order; shared with the table's copies.
    const KeyList& keys() const;
    std::shared_ptr<const KeyList> sharedKeys() const;
    // The frame under the i-th key, sharing its owner; null where the key holds none.
    VideoFramePtr frame(size_type i) const;
    VideoFrame* frameAddress(size_type i) const;

    // ---- filling ----

    // As a map's: a key that is there keeps its frame.
    std::pair<const_iterator, bool> try_emplace(qint64 key, VideoFramePtr frame);
    std::pair<const_iterator, bool> emplace(qint64 key, VideoFramePtr frame)
    {
        return try_emplace(key, std::move(frame));
    }
    VideoFramePtr& operator[](qint64 key);
    void clear();

    // Packs the tables of one recording together (see above). A frame under
    // several keys, in one table or in several, stays one frame.
    static void pack(const std::vector<FrameTable*>& tables);
    bool isPacked() const { return m_store != nullptr; }

private:
    static constexpr std::uint32_t NO_FRAME = UINT32_MAX;

    size_type lowerIndex(qint64 key) const;
    KeyList& editableKeys();
    void unpack();

    std::shared_ptr<KeyList> m_keys;
    // Unpacked: the frame of each key.
    std::vector<VideoFramePtr> m_loose;
    // Packed: the frames, and the index of each key's frame in them (none:
    // the i-th key's frame is the i-th frame).
    std::shared_ptr<FrameStore> m_store;
    std::shared_ptr<const std::vector<std::uint32_t>> m_slots;
};

// Each table's keys as VideoInfo::completeTables() left them, in table
// number order: the tables' own key arrays, shared with them.
class KeyArrays {
public:
    std::size_t size() const { return m_arrays.size(); }
    bool empty() const { return m_arrays.empty(); }
    const KeyList& operator[](std::size_t i) const { return *m_arrays[i]; }
    void clear() { m_arrays.clear(); }
    void reserve(std::size_t n) { m_arrays.reserve(n); }
    void push_back(std::shared_ptr<const KeyList> keys) { m_arrays.push_back(std::move(keys)); }

private:
    std::vector<std::shared_ptr<const KeyList>> m_arrays;
};
