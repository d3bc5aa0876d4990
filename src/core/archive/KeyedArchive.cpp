#include "core/archive/KeyedArchive.h"

#include "core/archive/BinaryPlist.h"

#include <QSet>

#include <unordered_map>
#include <vector>

namespace KeyedArchive {

namespace {

using BinaryPlist::Object;
using BinaryPlist::Type;

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
constexpr std::int64_t ARCHIVE_VERSION = 100000;

// ---- writing --------------------------------------------------------------

class Writer {
public:
    QByteArray run(const ArchiveValue& root)
    {
        m_objects.push_back(m_plist.addString(QString::fromLatin1(NULL_OBJECT)));
        const std::uint64_t rootUid = encode(root);

        const std::uint64_t top = m_plist.addDict({{key(KEY_ROOT), m_plist.addUid(rootUid)}});
        const std::uint64_t objects = m_plist.addArray(m_objects);
        const std::uint64_t archive =
            m_plist.addDict({{key(KEY_ARCHIVER), m_plist.addString(QString::fromLatin1(ARCHIVER_NAME))},
                             {key(KEY_VERSION), m_plist.addInteger(ARCHIVE_VERSION)},
                             {key(KEY_TOP), top},
                             {key(KEY_OBJECTS), objects}});
        return m_plist.finish(archive);
    }

private:
    using Entries = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

    std::uint64_t key(const char* text) { return m_plist.addString(QString::fromLatin1(text)); }

    // A new entry of "$objects"; returns its UID.
    std::uint64_t addObject(std::uint64_t plistIndex)
    {
        m_objects.push_back(plistIndex);
        return m_objects.size() - 1;
    }

    std::uint64_t classUid(const QString& name, const QStringList& chain)
    {
        const QString cacheKey = chain.join(QChar(0)) + QChar(0) + name;
        if (auto it = m_classUids.find(cacheKey); it != m_classUids.end()) return it->second;
        std::vector<std::uint64_t> classes;
        for (const QString& c : chain)
            classes.push_back(m_plist.addString(c));
        const std::uint64_t dict =
            m_plist.addDict({{key(KEY_CLASSNAME), m_plist.addString(name)},
                             {key(KEY_CLASSES), m_plist.addArray(std::move(classes))}});
        const std::uint64_t uid = addObject(dict);
        m_classUids.emplace(cacheKey, uid);
        return uid;
    }

    std::uint64_t builtinClassUid(const QString& name)
    {
        return classUid(name, {name, QStringLiteral("NSObject")});
    }

    // A number or Boolean as a property-list object.
    std::uint64_t scalar(const ArchiveValue& v)
    {
        switch (v.kind()) {
        case ArchiveValue::Kind::Bool:
            return m_plist.addBool(*v.toBool());
        case ArchiveValue::Kind::Integer:
            return m_plist.addInteger(*v.toInteger());
        default:
            return m_plist.addReal(v.toReal().value_or(0.0));
        }
    }

    std::uint64_t uidList(const std::vector<std::uint64_t>& uids)
    {
        std::vector<std::uint64_t> refs;
        refs.reserve(uids.size());
        for (std::uint64_t u : uids)
            refs.push_back(m_plist.addUid(u));
        return m_plist.addArray(std::move(refs));
    }

    // Writes v as an entry of "$objects"; returns its UID. A container's
    // entry is taken before its contents, as the platform's archiver does.
    std::uint64_t encode(const ArchiveValue& v)
    {
        switch (v.kind()) {
        case ArchiveValue::Kind::Null:
            return 0;
        case ArchiveValue::Kind::Bool:
        case ArchiveValue::Kind::Integer:
        case ArchiveValue::Kind::Real:
            return addObject(scalar(v));
        case ArchiveValue::Kind::String: {
            const QString text = *v.toString();
            if (auto it = m_stringUids.find(text); it != m_stringUids.end()) return it->second;
            const std::uint64_t uid = addObject(m_plist.addString(text));
            m_stringUids.emplace(text, uid);
            return uid;
        }
        case ArchiveValue::Kind::Date: {
            const std::uint64_t uid = addObject(m_plist.reserve());
            const std::uint64_t cls = builtinClassUid(CLASS_DATE);
            m_plist.setDict(m_objects[uid], {{key(KEY_NS_TIME), m_plist.addReal(*v.toDateSeconds())},
                                             {key(KEY_CLASS), m_plist.addUid(cls)}});
            return uid;
        }
        case ArchiveValue::Kind::Array: {
            const std::uint64_t uid = addObject(m_plist.reserve());
            std::vector<std::uint64_t> items;
            items.reserve(v.asArray()->size());
            for (const ArchiveValue& item : *v.asArray())
                items.push_back(encode(item));
            const std::uint64_t cls = builtinClassUid(CLASS_ARRAY);
            m_plist.setDict(m_objects[uid],
                            {{key(KEY_NS_OBJECTS), uidList(items)}, {key(KEY_CLASS), m_plist.addUid(cls)}});
            return uid;
        }
        case ArchiveValue::Kind::Dictionary: {
            const std::uint64_t uid = addObject(m_plist.reserve());
            std::vector<std::uint64_t> keys;
            std::vector<std::uint64_t> values;
            keys.reserve(v.asDictionary()->size());
            values.reserve(v.asDictionary()->size());
            for (const auto& [k, value] : *v.asDictionary()) {
                keys.push_back(encode(k));
                values.push_back(encode(value));
            }
            const std::uint64_t cls = builtinClassUid(CLASS_DICTIONARY);
            m_plist.setDict(m_objects[uid], {{key(KEY_NS_KEYS), uidList(keys)},
                                             {key(KEY_NS_OBJECTS), uidList(values)},
                                             {key(KEY_CLASS), m_plist.addUid(cls)}});
            return uid;
        }
        case ArchiveValue::Kind::Object: {
            const ArchiveObject& obj = *v.asObject();
            const std::uint64_t uid = addObject(m_plist.reserve());
            Entries entries;
            entries.reserve(obj.fields().size() + 1);
            for (const auto& [name, value] : obj.fields()) {
                if (name == QLatin1String(KEY_CLASS)) continue; // reserved for the class
                const bool inPlace = !value.isBoxed() && (value.kind() == ArchiveValue::Kind::Bool ||
                                                          value.kind() == ArchiveValue::Kind::Integer ||
                                                          value.kind() == ArchiveValue::Kind::Real);
                const std::uint64_t item = inPlace ? scalar(value) : m_plist.addUid(encode(value));
                entries.emplace_back(m_plist.addString(name), item);
            }
            const std::uint64_t cls = classUid(obj.className(), obj.classes());
            entries.emplace_back(key(KEY_CLASS), m_plist.addUid(cls));
            m_plist.setDict(m_objects[uid], std::move(entries));
            return uid;
        }
        }
        return 0;
    }

    BinaryPlist::Writer m_plist;
    std::vector<std::uint64_t> m_objects; // "$objects": UID -> list object
    std::unordered_map<QString, std::uint64_t> m_classUids;
    std::unordered_map<QString, std::uint64_t> m_stringUids;
};

// ---- reading --------------------------------------------------------------

class Reader {
public:
    Reader(BinaryPlist::Document& doc, std::vector<std::uint64_t> objects, const ReadOptions& options)
        : m_doc(doc), m_objects(std::move(objects)), m_options(options), m_budget(options.maxNodes)
    {
        m_state.assign(m_objects.size(), Unseen);
    }

    // Values referenced more than once are decoded once and shared, but
    // each reference still spends the referenced tree's size from the
    // budget, so the tree a reader of the result walks stays bounded too.
    std::optional<ArchiveValue> decode(std::uint64_t uid, int depth)
    {
        if (uid >= m_objects.size()) return std::nullopt;
        if (uid == 0) return std::optional<ArchiveValue>(std::in_place);
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
        std::optional<ArchiveValue> v = decodeEntry(m_objects[uid], depth);
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

    std::optional<ArchiveValue> decodeEntry(std::uint64_t index, int depth)
    {
        std::optional<Object> o = m_doc.object(index);
        if (!o) return std::nullopt;
        switch (o->type) {
        case Type::String:
            return ArchiveValue::string(std::move(o->string));
        case Type::Integer:
            return ArchiveValue::numberObject(o->integer);
        case Type::Real:
            return ArchiveValue::realObject(o->real);
        case Type::Bool:
            return ArchiveValue::boolObject(o->boolean);
        case Type::Dict:
            return decodeInstance(*o, depth);
        default:
            return std::nullopt;
        }
    }

    const ClassInfo* classOf(const Object& instance)
    {
        const std::optional<Object> ref = m_doc.value(instance, KEY_CLASS);
        if (!ref || ref->type != Type::Uid || ref->uid == 0 || ref->uid >= m_objects.size()) return nullptr;
        if (auto it = m_classes.find(ref->uid); it != m_classes.end()) return &it->second;

        const std::optional<Object> dict = m_doc.object(m_objects[ref->uid]);
        if (!dict || dict->type != Type::Dict) return nullptr;
        const std::optional<Object> name = m_doc.value(*dict, KEY_CLASSNAME);
        if (!name || name->type != Type::String || !m_options.allowedClasses.contains(name->string))
            return nullptr;
        const std::optional<Object> classes = m_doc.value(*dict, KEY_CLASSES);
        if (!classes || classes->type != Type::Array) return nullptr;
        ClassInfo info{name->string, {}};
        for (std::uint64_t r : classes->refs) {
            std::optional<QString> c = m_doc.string(r);
            if (!c) return nullptr;
            info.chain << *c;
        }
        return &m_classes.emplace(ref->uid, std::move(info)).first->second;
    }

    // A list of UIDs ("NS.keys", "NS.objects"), decoded in order.
    std::optional<ArchiveValue::Array> decodeUidList(const std::optional<Object>& list, int depth)
    {
        if (!list || list->type != Type::Array) return std::nullopt;
        if (list->refs.size() > m_budget) return std::nullopt;
        ArchiveValue::Array out;
        out.reserve(list->refs.size());
        for (std::uint64_t r : list->refs) {
            const std::optional<Object> ref = m_doc.object(r);
            if (!ref || ref->type != Type::Uid) return std::nullopt;
            std::optional<ArchiveValue> v = decode(ref->uid, depth + 1);
            if (!v) return std::nullopt;
            out.push_back(std::move(*v));
        }
        return out;
    }

    std::optional<ArchiveValue> decodeInstance(const Object& dict, int depth)
    {
        const ClassInfo* cls = classOf(dict);
        if (!cls) return std::nullopt;
        const QString& name = cls->name;

        if (name == CLASS_DATE) {
            const std::optional<Object> time = m_doc.value(dict, KEY_NS_TIME);
            if (time && time->type == Type::Real) return ArchiveValue::date(time->real);
            if (time && time->type == Type::Integer)
                return ArchiveValue::date(static_cast<double>(time->integer));
            return std::nullopt;
        }
        if (name == CLASS_ARRAY || name == CLASS_MUTABLE_ARRAY) {
            std::optional<ArchiveValue::Array> items =
                decodeUidList(m_doc.value(dict, KEY_NS_OBJECTS), depth);
            if (!items) return std::nullopt;
            return ArchiveValue::array(std::move(*items));
        }
        if (name == CLASS_DICTIONARY || name == CLASS_MUTABLE_DICTIONARY) {
            const std::optional<Object> keysList = m_doc.value(dict, KEY_NS_KEYS);
            const std::optional<Object> valuesList = m_doc.value(dict, KEY_NS_OBJECTS);
            if (!keysList || !valuesList || keysList->refs.size() != valuesList->refs.size())
                return std::nullopt;
            std::optional<ArchiveValue::Array> keys = decodeUidList(keysList, depth);
            if (!keys) return std::nullopt;
            std::optional<ArchiveValue::Array> values = decodeUidList(valuesList, depth);
            if (!values) return std::nullopt;
            ArchiveValue::Dictionary entries;
            entries.reserve(keys->size());
            for (std::size_t i = 0; i < keys->size(); ++i)
                entries.emplace_back(std::move((*keys)[i]), std::move((*values)[i]));
            return ArchiveValue::dictionary(std::move(entries));
        }

        ArchiveObject obj(name, cls->chain);
        const std::size_t n = dict.dictSize();
        QSet<QString> seen;
        for (std::size_t i = 0; i < n; ++i) {
            const std::optional<QString> key = m_doc.string(dict.refs[i]);
            if (!key) return std::nullopt;
            if (*key == QLatin1String(KEY_CLASS)) continue;
            if (seen.contains(*key)) return std::nullopt; // a key twice
            seen.insert(*key);
            if (m_budget == 0) return std::nullopt;
            --m_budget;
            const std::optional<Object> value = m_doc.object(dict.refs[n + i]);
            if (!value) return std::nullopt;
            std::optional<ArchiveValue> v;
            switch (value->type) {
            case Type::Uid:
                v = decode(value->uid, depth + 1);
                break;
            case Type::Integer:
                v = ArchiveValue::integer(value->integer);
                break;
            case Type::Real:
                v = ArchiveValue::real(value->real);
                break;
            case Type::Bool:
                v = ArchiveValue::boolean(value->boolean);
                break;
            default:
                return std::nullopt;
            }
            if (!v) return std::nullopt;
            obj.append(*key, std::move(*v));
        }
        return ArchiveValue::object(std::move(obj));
    }

    BinaryPlist::Document& m_doc;
    std::vector<std::uint64_t> m_objects; // UID -> list object
    const ReadOptions& m_options;
    std::uint64_t m_budget;
    std::vector<std::uint8_t> m_state;
    std::unordered_map<std::uint64_t, Memo> m_memo;
    std::unordered_map<std::uint64_t, ClassInfo> m_classes;
};

} // namespace

QByteArray write(const ArchiveValue& root)
{
    return Writer().run(root);
}

std::optional<ArchiveValue> read(QByteArrayView data, const ReadOptions& options)
{
    if (data.isEmpty() || data.size() > options.maxBytes) return std::nullopt;
    BinaryPlist::Limits limits;
    limits.maxObjects = options.maxObjects;
    // Each decoded value reads a handful of list elements.
    limits.maxElements =
        options.maxNodes > (std::uint64_t{1} << 60) ? options.maxNodes : options.maxNodes * 8;
    std::optional<BinaryPlist::Document> doc = BinaryPlist::Document::open(data, limits);
    if (!doc) return std::nullopt;

    const std::optional<Object> root = doc->object(doc->topIndex());
    if (!root || root->type != Type::Dict) return std::nullopt;
    const std::optional<Object> archiver = doc->value(*root, KEY_ARCHIVER);
    if (!archiver || archiver->type != Type::String || archiver->string != QLatin1String(ARCHIVER_NAME))
        return std::nullopt;
    const std::optional<Object> version = doc->value(*root, KEY_VERSION);
    if (!version || version->type != Type::Integer || version->integer != ARCHIVE_VERSION)
        return std::nullopt;
    const std::optional<Object> top = doc->value(*root, KEY_TOP);
    if (!top || top->type != Type::Dict) return std::nullopt;
    const std::optional<Object> rootUid = doc->value(*top, KEY_ROOT);
    if (!rootUid || rootUid->type != Type::Uid) return std::nullopt;

    std::optional<Object> objects = doc->value(*root, KEY_OBJECTS);
    if (!objects || objects->type != Type::Array) return std::nullopt;
    if (objects->refs.empty() || objects->refs.size() > options.maxObjects) return std::nullopt;
    const std::optional<QString> first = doc->string(objects->refs[0]);
    if (!first || *first != QLatin1String(NULL_OBJECT)) return std::nullopt;

    Reader reader(*doc, std::move(objects->refs), options);
    return reader.decode(rootUid->uid, 0);
}

} // namespace KeyedArchive
