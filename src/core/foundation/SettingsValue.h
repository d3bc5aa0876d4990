#pragma once

#include <QString>
#include <QUrl>
#include <QVariant>
#include <optional>

// Typed reads of stored setting values. The INI store gives back most
// values as text, so each reader accepts the value's own type and its text
// form; a value of another kind (a list, say) reads as 0 / false / nothing.
namespace SettingsValue {
qint64 integerOf(const QVariant& v);
double doubleOf(const QVariant& v);
bool boolOf(const QVariant& v);
std::optional<QString> stringOf(const QVariant& v); // text or a number's text
std::optional<QUrl> urlOf(const QVariant& v);       // a URL, or a path given as text
} // namespace SettingsValue
