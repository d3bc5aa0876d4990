#pragma once

// Small helpers for tests that build or alter property lists by hand.

#include <QByteArray>
#include <plist/plist.h>

#include <cstring>
#include <initializer_list>
#include <utility>

namespace plist_test {

inline plist_t str(const char* s)
{
    return plist_new_string(s);
}
inline plist_t uid(std::uint64_t v)
{
    return plist_new_uid(v);
}
inline plist_t num(std::int64_t v)
{
    return plist_new_uint(static_cast<std::uint64_t>(v));
}
inline plist_t real(double v)
{
    return plist_new_real(v);
}

inline plist_t dict(std::initializer_list<std::pair<const char*, plist_t>> items)
{
    plist_t d = plist_new_dict();
    for (const auto& [k, v] : items)
        plist_dict_set_item(d, k, v);
    return d;
}

inline plist_t array(std::initializer_list<plist_t> items)
{
    plist_t a = plist_new_array();
    for (plist_t v : items)
        plist_array_append_item(a, v);
    return a;
}

// Serializes and frees the tree.
inline QByteArray toBinary(plist_t root)
{
    char* bin = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &bin, &length);
    QByteArray out(bin, static_cast<qsizetype>(length));
    plist_to_bin_free(bin);
    plist_free(root);
    return out;
}

inline plist_t fromBinary(const QByteArray& bytes)
{
    plist_t p = nullptr;
    plist_from_bin(bytes.constData(), static_cast<std::uint32_t>(bytes.size()), &p);
    return p;
}

// A keyed archive's outer dictionary around the given "$objects".
inline plist_t archive(plist_t objects, std::uint64_t root = 1)
{
    return dict({{"$archiver", str("NSKeyedArchiver")},
                 {"$version", num(100000)},
                 {"$top", dict({{"root", uid(root)}})},
                 {"$objects", objects}});
}

inline plist_t classDict(const char* name)
{
    return dict({{"$classname", str(name)}, {"$classes", array({str(name), str("NSObject")})}});
}

} // namespace plist_test
