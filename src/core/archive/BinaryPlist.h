#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

// Binary property lists ("bplist00"): a writer, and a reader that gives the
// list's objects one at a time by index without building a tree, so shared
// and self-referencing objects cost nothing extra. Every read is checked
// against the bytes; a hostile list yields none, never a read outside them.
namespace BinaryPlist {

enum class Type : std::uint8_t { Bool, Integer, Real, Date, Data, String, Uid, Array, Dict };

// One object of a list. Containers hold the indices of their elements; a
// dictionary's keys come first, then its values (refs.size() / 2 each).
struct Object {
    Type type = Type::Bool;
    bool boolean = false;
    std::int64_t integer = 0;
    double real = 0.0; // also a date's seconds since 2001
    std::uint64_t uid = 0;
    QString string;
    std::vector<std::uint64_t> refs;

    std::size_t dictSize() const { return refs.size() / 2; }
};

struct Limits {
    std::uint64_t maxObjects = 4'000'000;
    // Container elements read over the life of one document: bounds the
    // work that lists of overlapping objects could otherwise multiply.
    std::uint64_t maxElements = 16'000'000;
};

class Document {
public:
    // None unless the header, trailer and offset table are sound.
    static std::optional<Document> open(QByteArrayView data, const Limits& limits);

    std::uint64_t topIndex() const { return m_top; }
    std::uint64_t objectCount() const { return m_count; }

    // The object at index, or none when the index or the object's bytes are
    // out of range, its marker unknown, or the element budget spent.
    std::optional<Object> object(std::uint64_t index);
    // A string object's text (cached: dictionary keys repeat), or none.
    std::optional<QString> string(std::uint64_t index);
    // The value under key in a dictionary object; none when absent or when
    // a key is not a string.
    std::optional<Object> value(const Object& dict, const char* key);

private:
    Document() = default;
    std::uint64_t readBE(qsizetype offset, int width) const;
    bool readCount(qsizetype& pos, std::uint8_t low, std::uint64_t& count) const;
    bool fits(qsizetype pos, std::uint64_t count, std::uint64_t unit) const;

    QByteArrayView m_d;
    Limits m_limits;
    int m_offsetSize = 0;
    int m_refSize = 0;
    std::uint64_t m_count = 0;
    std::uint64_t m_top = 0;
    qsizetype m_tableOffset = 0;
    std::uint64_t m_elementsRead = 0;
    std::unordered_map<std::uint64_t, QString> m_strings;
};

// Collects objects and writes them as one list. Equal strings, integers
// and UIDs are written once.
class Writer {
public:
    std::uint64_t addBool(bool v);
    std::uint64_t addInteger(std::int64_t v);
    std::uint64_t addReal(double v);
    std::uint64_t addString(const QString& v);
    std::uint64_t addUid(std::uint64_t v);
    std::uint64_t addArray(std::vector<std::uint64_t> refs);
    // Keys must be string objects of this writer.
    std::uint64_t addDict(std::vector<std::pair<std::uint64_t, std::uint64_t>> entries);
    // Reserves an index for a container whose elements come later.
    std::uint64_t reserve();
    void setArray(std::uint64_t index, std::vector<std::uint64_t> refs);
    void setDict(std::uint64_t index, std::vector<std::pair<std::uint64_t, std::uint64_t>> entries);

    QByteArray finish(std::uint64_t top) const;

private:
    struct Item {
        Type type = Type::Bool;
        std::int64_t integer = 0; // also a Boolean and a UID
        double real = 0.0;
        QString string;
        std::vector<std::uint64_t> refs; // dictionaries: keys, then values
    };
    std::uint64_t add(Item item);

    std::vector<Item> m_items;
    std::unordered_map<QString, std::uint64_t> m_stringIndex;
    std::unordered_map<std::int64_t, std::uint64_t> m_integerIndex;
    std::unordered_map<std::uint64_t, std::uint64_t> m_uidIndex;
};

} // namespace BinaryPlist
