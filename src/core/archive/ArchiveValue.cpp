#include "core/archive/ArchiveValue.h"

#include <QTimeZone>
#include <cmath>

ArchiveValue ArchiveValue::date(const QDateTime& time)
{
    const double secs = static_cast<double>(time.toMSecsSinceEpoch()) / 1000.0 - SECONDS_1970_TO_2001;
    return date(secs);
}

ArchiveValue ArchiveValue::array(Array items)
{
    return ArchiveValue(Kind::Array, std::make_shared<const Array>(std::move(items)), false);
}

ArchiveValue ArchiveValue::dictionary(Dictionary entries)
{
    return ArchiveValue(Kind::Dictionary, std::make_shared<const Dictionary>(std::move(entries)), false);
}

ArchiveValue ArchiveValue::object(ArchiveObject obj)
{
    return ArchiveValue(Kind::Object, std::make_shared<const ArchiveObject>(std::move(obj)), false);
}

std::optional<bool> ArchiveValue::toBool() const
{
    if (m_kind != Kind::Bool) return std::nullopt;
    return std::get<bool>(m_value);
}

std::optional<std::int64_t> ArchiveValue::toInteger() const
{
    if (m_kind != Kind::Integer) return std::nullopt;
    return std::get<std::int64_t>(m_value);
}

std::optional<double> ArchiveValue::toReal() const
{
    if (m_kind == Kind::Real) return std::get<double>(m_value);
    if (m_kind == Kind::Integer) return static_cast<double>(std::get<std::int64_t>(m_value));
    return std::nullopt;
}

std::optional<QString> ArchiveValue::toString() const
{
    if (m_kind != Kind::String) return std::nullopt;
    return std::get<QString>(m_value);
}

std::optional<double> ArchiveValue::toDateSeconds() const
{
    if (m_kind != Kind::Date) return std::nullopt;
    return std::get<double>(m_value);
}

std::optional<QDateTime> ArchiveValue::toDateTime() const
{
    const std::optional<double> secs = toDateSeconds();
    if (!secs || !std::isfinite(*secs)) return std::nullopt;
    // About ±290,000 years: beyond that the milliseconds overflow.
    constexpr double LIMIT = 9.0e15;
    const double ms = std::round((*secs + SECONDS_1970_TO_2001) * 1000.0);
    if (!(ms > -LIMIT && ms < LIMIT)) return std::nullopt;
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), QTimeZone::utc());
    if (!t.isValid()) return std::nullopt;
    return t;
}

const ArchiveValue::Array* ArchiveValue::asArray() const
{
    if (m_kind != Kind::Array) return nullptr;
    return std::get<std::shared_ptr<const Array>>(m_value).get();
}

const ArchiveValue::Dictionary* ArchiveValue::asDictionary() const
{
    if (m_kind != Kind::Dictionary) return nullptr;
    return std::get<std::shared_ptr<const Dictionary>>(m_value).get();
}

const ArchiveObject* ArchiveValue::asObject() const
{
    if (m_kind != Kind::Object) return nullptr;
    return std::get<std::shared_ptr<const ArchiveObject>>(m_value).get();
}

bool ArchiveValue::operator==(const ArchiveValue& other) const
{
    if (m_kind != other.m_kind) return false;
    switch (m_kind) {
    case Kind::Null:
        return true;
    case Kind::Bool:
        return *toBool() == *other.toBool();
    case Kind::Integer:
        return *toInteger() == *other.toInteger();
    case Kind::Real:
    case Kind::Date:
        return std::get<double>(m_value) == std::get<double>(other.m_value);
    case Kind::String:
        return *toString() == *other.toString();
    case Kind::Array:
        return *asArray() == *other.asArray();
    case Kind::Dictionary:
        return *asDictionary() == *other.asDictionary();
    case Kind::Object:
        return *asObject() == *other.asObject();
    }
    return false;
}

ArchiveObject::ArchiveObject(QString className, QStringList classes)
    : m_className(std::move(className)), m_classes(std::move(classes))
{
    if (m_classes.isEmpty()) m_classes = {m_className, QStringLiteral("NSObject")};
}

void ArchiveObject::set(const QString& key, ArchiveValue value)
{
    for (Field& f : m_fields) {
        if (f.first == key) {
            f.second = std::move(value);
            return;
        }
    }
    m_fields.emplace_back(key, std::move(value));
}

const ArchiveValue* ArchiveObject::get(const QString& key) const
{
    for (const Field& f : m_fields)
        if (f.first == key) return &f.second;
    return nullptr;
}

bool ArchiveObject::operator==(const ArchiveObject& other) const
{
    if (m_className != other.m_className || m_classes != other.m_classes) return false;
    if (m_fields.size() != other.m_fields.size()) return false;
    for (const Field& f : m_fields) {
        const ArchiveValue* o = other.get(f.first);
        if (!o || !(*o == f.second)) return false;
    }
    return true;
}
