#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMap>
#include <QString>
#include <QVariant>

// The text of the settings file: Qt 6's INI format (UTF-8), read and written
// the way QSettings reads and writes it, so that a file written here reads
// back the same through QSettings (other tools, an older copy of the
// application) and a file QSettings wrote reads here. Our own reader and
// writer because the store needs the system's reason when a write fails and
// must merge with what another running copy wrote, which QSettings gives
// neither of.
//
// Keys are flat: "key" for the General section, "section/key" for another.
namespace SettingsIni {

using Entries = QMap<QString, QVariant>;

// Every key of the text; lines QSettings cannot make sense of are skipped
// as it skips them.
Entries parse(QByteArrayView text);

// The whole file, as QSettings writes these entries here: the General
// section first, then the others, and the keys of each, sorted by name
// (case-sensitively); no order of a file read is kept.
QByteArray write(const Entries& entries);

// The text a value takes after "key=": two values are the same setting
// when these are equal (a stored "true" and a given true, say).
QByteArray valueText(const QVariant& value);

} // namespace SettingsIni
