#include "archive/KeyedArchive.h"

#include "archive/BinaryPlistCheck.h"

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace KeyedArchive {

namespace {

const char* const KEY_ARCHIVER = "$archiver";
const char* const KEY_VERSION = "$version";
const char* const KEY_TOP = "$top";
const char* const KEY_OBJECTS = "$objects";
const char* const KEY_CLASS = "$class";
const char* const KEY_CLASSNAME = "$classname";
const char* const KEY_CLASSES = "$classes";
const char* const KEY_ROOT = "root";
const char* const KEY_NS_TIME = "NS.time";
const char* const KEY_NS_KEYS = "NS.keys";
const char* const KEY_NS_OBJECTS = "NS.objects";
const char* const ARCHIVER_NAME = "NSKeyedArchiver";
const char* const NULL_OBJECT = "$null";
constexpr std::uint64_t ARCHIVE_VERSION = 100000;

struct PlistFree {
    void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

// ---- writing --------------------------------------------------------------

class Writer {
public:
    Writer() { m_objects.push_back(plist_new_string(NULL_OBJECT)); }
    ~Writer()
    {
        for (plist_t node : m_objects)
            if (node) plist_free(node);
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    std::optional<QByteArray> run(const ArchiveValue& root)
    {
        const std::uint64_t rootUid = encode(root);
        if (!m_ok) return std::nullopt;

        PlistPtr top(plist_new_dict());
        plist_dict_set_item(top.get(), KEY_ARCHIVER, plist_new_string(ARCHIVER_NAME));
        plist_dict_set_item(top.get(), KEY_VERSION, plist_new_uint(ARCHIVE_VERSION));
        plist_t topDict = plist_new_dict();
        plist_dict_set_item(topDict, KEY_ROOT, plist_new_uid(rootUid));
        plist_dict_set_item(top.get(), KEY_TOP, topDict);
        // Filled in one pass at the end: the list's indexed replacement is
        // slow, and objects are made out of order (a container's slot is
        // taken before its contents).
        plist_t objects = plist_new_array();
        for (plist_t& node : m_objects) {
            plist_array_append_item(objects, node);
            node = nullptr;
        }
        plist_dict_set_item(top.get(), KEY_OBJECTS, objects);

        char* bin = nullptr;
        std::uint32_t length = 0;
        plist_to_bin(top.get(), &bin, &length);
        if (!bin) return std::nullopt;
        QByteArray out(bin, static_cast<qsizetype>(length));
        plist_to_bin_free(bin);
        return out;
    }

private:
    std::uint64_t add(plist_t node)
    {
        m_objects.push_back(node);
        return m_objects.size() - 1;
    }
    std::uint64_t reserve() { return add(nullptr); }

    plist_t newString(const QString& text)
    {
        if (text.contains(QChar(0))) m_ok = false;
        return plist_new_string(text.toUtf8().constData());
    }

    std::uint64_t classUid(const QString& name, const QStringList& chain)
    {
        const QString key = chain.join(QChar(1));
        auto it = m_classUids.find(key);
        if (it != m_classUids.end()) return it->second;
        plist_t dict = plist_new_dict();
        plist_dict_set_item(dict, KEY_CLASSNAME, newString(name));
        plist_t classes = plist_new_array();
        for (const QString& c : chain) plist_array_append_item(classes, newString(c));
        plist_dict_set_item(dict, KEY_CLASSES, classes);
        const std::uint64_t uid = add(dict);
        m_classUids.emplace(key, uid);
        return uid;
    }

    std::uint64_t builtinClassUid(const QString& name)
    {
        return classUid(name, {name, QStringLiteral("NSObject")});
    }

    std::uint64_t stringUid(const QString& text)
    {
        auto it = m_stringUids.find(text);
        if (it != m_stringUids.end()) return it->second;
        const std::uint64_t uid = add(newString(text));
        m_stringUids.emplace(text, uid);
        return uid;
    }

    plist_t uidArray(const std::vector<std::uint64_t>& uids)
    {
        plist_t array = plist_new_array();
        for (std::uint64_t u : uids) plist_array_append_item(array, plist_new_uid(u));
        return array;
    }

    // A value written in place inside an archived object.
    plist_t scalar(const ArchiveValue& v)
    {
        switch (v.kind()) {
        case ArchiveValue::Kind::Bool:
            return plist_new_bool(*v.toBool() ? 1 : 0);
        case ArchiveValue::Kind::Integer:
            // Negative values go out as 8-byte integers, which readers take
            // as signed.
            return plist_new_uint(static_cast<std::uint64_t>(*v.toInteger()));
        case ArchiveValue::Kind::Real:
            return plist_new_real(*v.toReal());
        default:
            return nullptr;
        }
    }

    // Writes v as an object of its own; returns its UID.
    std::uint64_t encode(const ArchiveValue& v)
    {
        switch (v.kind()) {
        case ArchiveValue::Kind::Null:
            return 0;
        case ArchiveValue::Kind::Bool:
        case ArchiveValue::Kind::Integer:
        case ArchiveValue::Kind::Real:
            return add(scalar(v));
        case ArchiveValue::Kind::String:
            return stringUid(*v.toString());
        case ArchiveValue::Kind::Date: {
            plist_t dict = plist_new_dict();
            plist_dict_set_item(dict, KEY_NS_TIME, plist_new_real(*v.toDateSeconds()));
            plist_dict_set_item(dict, KEY_CLASS, plist_new_uid(builtinClassUid(CLASS_DATE)));
            return add(dict);
        }
        case ArchiveValue::Kind::Array: {
            const std::uint64_t uid = reserve();
            std::vector<std::uint64_t> items;
            items.reserve(v.asArray()->size());
            for (const ArchiveValue& item : *v.asArray()) items.push_back(encode(item));
            plist_t dict = plist_new_dict();
            plist_dict_set_item(dict, KEY_NS_OBJECTS, uidArray(items));
            plist_dict_set_item(dict, KEY_CLASS, plist_new_uid(builtinClassUid(CLASS_ARRAY)));
            m_objects[uid] = dict;
            return uid;
        }
        case ArchiveValue::Kind::Dictionary: {
            const std::uint64_t uid = reserve();
            std::vector<std::uint64_t> keys;
            std::vector<std::uint64_t> values;
            keys.reserve(v.asDictionary()->size());
            values.reserve(v.asDictionary()->size());
            for (const auto& [key, value] : *v.asDictionary()) {
                keys.push_back(encode(key));
                values.push_back(encode(value));
            }
            plist_t dict = plist_new_dict();
            plist_dict_set_item(dict, KEY_NS_KEYS, uidArray(keys));
            plist_dict_set_item(dict, KEY_NS_OBJECTS, uidArray(values));
            plist_dict_set_item(dict, KEY_CLASS, plist_new_uid(builtinClassUid(CLASS_DICTIONARY)));
            m_objects[uid] = dict;
            return uid;
        }
        case ArchiveValue::Kind::Object: {
            const ArchiveObject& obj = *v.asObject();
            const std::uint64_t uid = reserve();
            plist_t dict = plist_new_dict();
            for (const auto& [key, value] : obj.fields()) {
                const bool inPlace = !value.isBoxed() && (value.kind() == ArchiveValue::Kind::Bool ||
                                                          value.kind() == ArchiveValue::Kind::Integer ||
                                                          value.kind() == ArchiveValue::Kind::Real);
                if (key.contains(QChar(0)) || key == QLatin1String(KEY_CLASS)) m_ok = false;
                plist_t item = inPlace ? scalar(value) : plist_new_uid(encode(value));
                plist_dict_set_item(dict, key.toUtf8().constData(), item);
            }
            plist_dict_set_item(dict, KEY_CLASS, plist_new_uid(classUid(obj.className(), obj.classes())));
            m_objects[uid] = dict;
            return uid;
        }
        }
        return 0;
    }

    std::vector<plist_t> m_objects;
    std::unordered_map<QString, std::uint64_t> m_classUids;
    std::unordered_map<QString, std::uint64_t> m_stringUids;
    bool m_ok = true;
};

// ---- reading --------------------------------------------------------------

bool isType(plist_t node, plist_type type)
{
    return node && plist_get_node_type(node) == type;
}

std::optional<QString> stringOf(plist_t node)
{
    if (!isType(node, PLIST_STRING)) return std::nullopt;
    std::uint64_t length = 0;
    const char* p = plist_get_string_ptr(node, &length);
    if (!p || length > static_cast<std::uint64_t>(std::numeric_limits<qsizetype>::max())) return std::nullopt;
    return QString::fromUtf8(p, static_cast<qsizetype>(length));
}

bool stringEquals(plist_t node, const char* text)
{
    return isType(node, PLIST_STRING) && plist_string_val_compare(node, text) == 0;
}

std::optional<std::uint64_t> uidOf(plist_t node)
{
    if (!isType(node, PLIST_UID)) return std::nullopt;
    std::uint64_t v = 0;
    plist_get_uid_val(node, &v);
    return v;
}

// Calls f(key, value) for each entry of a dictionary node; stops and
// returns false as soon as f does.
template <class F>
bool forEachEntry(plist_t dict, F&& f)
{
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(dict, &iter);
    if (!iter) return false;
    bool ok = true;
    const std::uint32_t size = plist_dict_get_size(dict);
    for (std::uint32_t i = 0; i < size && ok; ++i) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dict, iter, &key, &value);
        if (!key || !value) {
            std::free(key);
            ok = false;
            break;
        }
        ok = f(const_cast<const char*>(key), value);
        std::free(key);
    }
    std::free(iter);
    return ok;
}

class Reader {
public:
    Reader(plist_t objects, const ReadOptions& options) : m_objects(objects), m_options(options)
    {
        m_count = plist_array_get_size(objects);
        m_state.assign(m_count, Unseen);
        m_budget = options.maxNodes;
    }

    // Values referenced more than once are decoded once and shared, but
    // each reference still spends the referenced tree's size from the
    // budget, so the tree a reader of the result walks stays bounded too.
    std::optional<ArchiveValue> decode(std::uint64_t uid, int depth)
    {
        if (uid >= m_count) return std::nullopt;
        if (uid == 0) return ArchiveValue();
        switch (m_state[uid]) {
        case Open:
            return std::nullopt; // an object that contains itself
        case Done: {
            const Memo& memo = m_memo.at(uid);
            if (memo.nodes > m_budget) return std::nullopt;
            m_budget -= memo.nodes;
            return memo.value;
        }
        default:
            break;
        }
        if (depth > m_options.maxDepth || m_budget == 0) return std::nullopt;
        const std::uint64_t before = m_budget--;
        m_state[uid] = Open;
        std::optional<ArchiveValue> v =
            decodeNode(plist_array_get_item(m_objects, static_cast<std::uint32_t>(uid)), depth);
        if (!v) return std::nullopt;
        m_state[uid] = Done;
        m_memo.emplace(uid, Memo{*v, before - m_budget});
        return v;
    }

private:
    enum : std::uint8_t { Unseen, Open, Done };

    struct Memo {
        ArchiveValue value;
        std::uint64_t nodes;
    };

    struct ClassInfo {
        QString name;
        QStringList chain;
    };

    std::optional<ArchiveValue> decodeNode(plist_t node, int depth)
    {
        if (!node) return std::nullopt;
        switch (plist_get_node_type(node)) {
        case PLIST_STRING: {
            std::optional<QString> s = stringOf(node);
            if (!s) return std::nullopt;
            return ArchiveValue::string(*s);
        }
        case PLIST_UINT: {
            std::uint64_t v = 0;
            plist_get_uint_val(node, &v);
            return ArchiveValue::numberObject(static_cast<std::int64_t>(v));
        }
        case PLIST_REAL: {
            double v = 0;
            plist_get_real_val(node, &v);
            return ArchiveValue::realObject(v);
        }
        case PLIST_BOOLEAN: {
            std::uint8_t v = 0;
            plist_get_bool_val(node, &v);
            return ArchiveValue::boolObject(v != 0);
        }
        case PLIST_DICT:
            return decodeInstance(node, depth);
        default:
            return std::nullopt;
        }
    }

    const ClassInfo* classOf(plist_t instance)
    {
        const std::optional<std::uint64_t> uid = uidOf(plist_dict_get_item(instance, KEY_CLASS));
        if (!uid || *uid == 0 || *uid >= m_count) return nullptr;
        auto it = m_classes.find(*uid);
        if (it != m_classes.end()) return &it->second;

        plist_t dict = plist_array_get_item(m_objects, static_cast<std::uint32_t>(*uid));
        if (!isType(dict, PLIST_DICT)) return nullptr;
        std::optional<QString> name = stringOf(plist_dict_get_item(dict, KEY_CLASSNAME));
        if (!name || !m_options.allowedClasses.contains(*name)) return nullptr;
        plist_t classes = plist_dict_get_item(dict, KEY_CLASSES);
        if (!isType(classes, PLIST_ARRAY)) return nullptr;
        ClassInfo info{*name, {}};
        const std::uint32_t n = plist_array_get_size(classes);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::optional<QString> c = stringOf(plist_array_get_item(classes, i));
            if (!c) return nullptr;
            info.chain << *c;
        }
        return &m_classes.emplace(*uid, std::move(info)).first->second;
    }

    // A list of UIDs ("NS.keys", "NS.objects"), decoded in order.
    std::optional<ArchiveValue::Array> decodeUidArray(plist_t array, int depth)
    {
        if (!isType(array, PLIST_ARRAY)) return std::nullopt;
        const std::uint32_t n = plist_array_get_size(array);
        if (n > m_budget) return std::nullopt;
        ArchiveValue::Array out;
        out.reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::optional<std::uint64_t> uid = uidOf(plist_array_get_item(array, i));
            if (!uid) return std::nullopt;
            std::optional<ArchiveValue> v = decode(*uid, depth + 1);
            if (!v) return std::nullopt;
            out.push_back(std::move(*v));
        }
        return out;
    }

    std::optional<ArchiveValue> decodeInstance(plist_t dict, int depth)
    {
        const ClassInfo* cls = classOf(dict);
        if (!cls) return std::nullopt;
        const QString& name = cls->name;

        if (name == CLASS_DATE) {
            plist_t time = plist_dict_get_item(dict, KEY_NS_TIME);
            if (isType(time, PLIST_REAL)) {
                double v = 0;
                plist_get_real_val(time, &v);
                return ArchiveValue::date(v);
            }
            if (isType(time, PLIST_UINT)) {
                std::uint64_t v = 0;
                plist_get_uint_val(time, &v);
                return ArchiveValue::date(static_cast<double>(static_cast<std::int64_t>(v)));
            }
            return std::nullopt;
        }
        if (name == CLASS_ARRAY || name == CLASS_MUTABLE_ARRAY) {
            std::optional<ArchiveValue::Array> items = decodeUidArray(plist_dict_get_item(dict, KEY_NS_OBJECTS), depth);
            if (!items) return std::nullopt;
            return ArchiveValue::array(std::move(*items));
        }
        if (name == CLASS_DICTIONARY || name == CLASS_MUTABLE_DICTIONARY) {
            plist_t keysNode = plist_dict_get_item(dict, KEY_NS_KEYS);
            plist_t valuesNode = plist_dict_get_item(dict, KEY_NS_OBJECTS);
            if (!isType(keysNode, PLIST_ARRAY) || !isType(valuesNode, PLIST_ARRAY) ||
                plist_array_get_size(keysNode) != plist_array_get_size(valuesNode))
                return std::nullopt;
            std::optional<ArchiveValue::Array> keys = decodeUidArray(keysNode, depth);
            if (!keys) return std::nullopt;
            std::optional<ArchiveValue::Array> values = decodeUidArray(valuesNode, depth);
            if (!values) return std::nullopt;
            ArchiveValue::Dictionary entries;
            entries.reserve(keys->size());
            for (std::size_t i = 0; i < keys->size(); ++i)
                entries.emplace_back(std::move((*keys)[i]), std::move((*values)[i]));
            return ArchiveValue::dictionary(std::move(entries));
        }

        ArchiveObject obj(name, cls->chain);
        std::unordered_set<std::string> seen;
        const bool ok = forEachEntry(dict, [&](const char* key, plist_t value) {
            if (std::strcmp(key, KEY_CLASS) == 0) return true;
            if (!seen.insert(key).second) return false;
            if (m_budget == 0) return false;
            --m_budget;
            std::optional<ArchiveValue> v;
            switch (plist_get_node_type(value)) {
            case PLIST_UID: {
                std::uint64_t uid = 0;
                plist_get_uid_val(value, &uid);
                v = decode(uid, depth + 1);
                break;
            }
            case PLIST_UINT: {
                std::uint64_t n = 0;
                plist_get_uint_val(value, &n);
                v = ArchiveValue::integer(static_cast<std::int64_t>(n));
                break;
            }
            case PLIST_REAL: {
                double d = 0;
                plist_get_real_val(value, &d);
                v = ArchiveValue::real(d);
                break;
            }
            case PLIST_BOOLEAN: {
                std::uint8_t b = 0;
                plist_get_bool_val(value, &b);
                v = ArchiveValue::boolean(b != 0);
                break;
            }
            default:
                return false;
            }
            if (!v) return false;
            obj.append(internKey(key), std::move(*v));
            return true;
        });
        if (!ok) return std::nullopt;
        return ArchiveValue::object(std::move(obj));
    }

    // Field names repeat in every object of a class; keep one copy each.
    QString internKey(const char* key)
    {
        auto it = m_keys.find(key);
        if (it != m_keys.end()) return it->second;
        return m_keys.emplace(key, QString::fromUtf8(key)).first->second;
    }

    plist_t m_objects;
    const ReadOptions& m_options;
    std::uint64_t m_count = 0;
    std::uint64_t m_budget = 0;
    std::vector<std::uint8_t> m_state;
    std::unordered_map<std::uint64_t, Memo> m_memo;
    std::unordered_map<std::uint64_t, ClassInfo> m_classes;
    std::unordered_map<std::string, QString> m_keys;
};

} // namespace

std::optional<QByteArray> write(const ArchiveValue& root)
{
    Writer writer;
    return writer.run(root);
}

std::optional<ArchiveValue> read(QByteArrayView data, const ReadOptions& options)
{
    if (data.isEmpty() || data.size() > options.maxBytes || data.size() > 0x7FFFFFFF) return std::nullopt;
    BinaryPlistCheck::Limits limits;
    limits.maxObjects = options.maxObjects;
    limits.maxNodes = options.maxNodes;
    if (!BinaryPlistCheck::isSound(data, limits)) return std::nullopt;

    plist_t parsed = nullptr;
    plist_from_bin(data.data(), static_cast<std::uint32_t>(data.size()), &parsed);
    PlistPtr root(parsed);
    if (!isType(root.get(), PLIST_DICT)) return std::nullopt;

    if (!stringEquals(plist_dict_get_item(root.get(), KEY_ARCHIVER), ARCHIVER_NAME)) return std::nullopt;
    plist_t version = plist_dict_get_item(root.get(), KEY_VERSION);
    if (!isType(version, PLIST_UINT)) return std::nullopt;
    std::uint64_t versionValue = 0;
    plist_get_uint_val(version, &versionValue);
    if (versionValue != ARCHIVE_VERSION) return std::nullopt;

    plist_t top = plist_dict_get_item(root.get(), KEY_TOP);
    if (!isType(top, PLIST_DICT)) return std::nullopt;
    const std::optional<std::uint64_t> rootUid = uidOf(plist_dict_get_item(top, KEY_ROOT));
    if (!rootUid) return std::nullopt;

    plist_t objects = plist_dict_get_item(root.get(), KEY_OBJECTS);
    if (!isType(objects, PLIST_ARRAY)) return std::nullopt;
    const std::uint32_t count = plist_array_get_size(objects);
    if (count == 0 || count > options.maxObjects) return std::nullopt;
    if (!stringEquals(plist_array_get_item(objects, 0), NULL_OBJECT)) return std::nullopt;

    Reader reader(objects, options);
    return reader.decode(*rootUid, 0);
}

} // namespace KeyedArchive
