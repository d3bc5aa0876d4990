#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

class ArchiveObject;

// One value of a keyed archive: null, a number, a string, a date, an array,
// a dictionary or an archived object of a named class. Values are immutable
// once made; arrays, dictionaries and objects are shared between copies, so
// copying a value is cheap and a decoded tree may be read from any thread.
class ArchiveValue {
public:
    enum class Kind { Null, Bool, Integer, Real, String, Date, Array, Dictionary, Object };
    using Array = std::vector<ArchiveValue>;
    using Dictionary = std::vector<std::pair<ArchiveValue, ArchiveValue>>;

    ArchiveValue() = default; // Null

    // Numbers and Booleans inside an archived object are written in place
    // ("scalars", as the coder's integer, double and Boolean calls write
    // them) unless made as number objects, which are written as objects of
    // their own and referenced. Inside arrays and dictionaries every number
    // is an object.
    static ArchiveValue boolean(bool v) { return ArchiveValue(Kind::Bool, v, false); }
    static ArchiveValue integer(std::int64_t v) { return ArchiveValue(Kind::Integer, v, false); }
    static ArchiveValue real(double v) { return ArchiveValue(Kind::Real, v, false); }
    static ArchiveValue numberObject(std::int64_t v) { return ArchiveValue(Kind::Integer, v, true); }
    static ArchiveValue realObject(double v) { return ArchiveValue(Kind::Real, v, true); }
    static ArchiveValue boolObject(bool v) { return ArchiveValue(Kind::Bool, v, true); }
    static ArchiveValue string(QString v) { return ArchiveValue(Kind::String, std::move(v), false); }
    // Seconds since 2001-01-01 00:00:00 UTC, as archived dates carry them.
    static ArchiveValue date(double secondsSince2001)
    {
        return ArchiveValue(Kind::Date, secondsSince2001, false);
    }
    static ArchiveValue date(const QDateTime& time);
    static ArchiveValue array(Array items);
    static ArchiveValue dictionary(Dictionary entries);
    static ArchiveValue object(ArchiveObject obj);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    // Written as an object of its own rather than in place (numbers only).
    bool isBoxed() const { return m_boxed; }

    // Typed views; none when the value is of another kind.
    std::optional<bool> toBool() const;
    std::optional<std::int64_t> toInteger() const;
    // A Real, or an Integer taken as a double.
    std::optional<double> toReal() const;
    std::optional<QString> toString() const;
    std::optional<double> toDateSeconds() const;
    // None for a date too far from 2001 to be a date-time.
    std::optional<QDateTime> toDateTime() const;
    const Array* asArray() const;
    const Dictionary* asDictionary() const;
    const ArchiveObject* asObject() const;

    // Deep equality; a scalar and its number object of the same value are
    // equal (their kinds and values match, only the placement differs).
    bool operator==(const ArchiveValue& other) const;

    static constexpr std::int64_t SECONDS_1970_TO_2001 = 978307200;

private:
    using Storage =
        std::variant<std::monostate, bool, std::int64_t, double, QString, std::shared_ptr<const Array>,
                     std::shared_ptr<const Dictionary>, std::shared_ptr<const ArchiveObject>>;
    template <class T>
    ArchiveValue(Kind kind, T&& v, bool boxed) : m_kind(kind), m_boxed(boxed), m_value(std::forward<T>(v))
    {
    }

    Kind m_kind = Kind::Null;
    bool m_boxed = false;
    Storage m_value;
};

// An archived object: its class name, the class chain written with it
// (itself first), and its fields in the order they were set.
class ArchiveObject {
public:
    using Field = std::pair<QString, ArchiveValue>;

    // The chain defaults to the class itself and the root object class.
    explicit ArchiveObject(QString className, QStringList classes = {});

    const QString& className() const { return m_className; }
    const QStringList& classes() const { return m_classes; }
    const std::vector<Field>& fields() const { return m_fields; }

    // Sets a field, replacing one of the same key.
    void set(const QString& key, ArchiveValue value);
    // Adds a field whose key the caller knows to be new (a decoder that has
    // already rejected repeated keys); skips the search that set() makes.
    void append(QString key, ArchiveValue value) { m_fields.emplace_back(std::move(key), std::move(value)); }
    // The field under key, or nullptr when absent.
    const ArchiveValue* get(const QString& key) const;
    bool contains(const QString& key) const { return get(key) != nullptr; }

    bool operator==(const ArchiveObject& other) const;

private:
    QString m_className;
    QStringList m_classes;
    std::vector<Field> m_fields;
};
