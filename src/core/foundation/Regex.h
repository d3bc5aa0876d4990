#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>

// A compiled, case-insensitive regular expression and its pattern.
//
// The patterns of this application are written in ICU syntax. The one
// construct PCRE2 rejects, a leading "^*" (any number of start anchors,
// which ties nothing to the start), is read as no anchor at all: the same
// names match. A constant pattern that does not compile is a programming
// error and stops the program.
class Regex {
public:
    explicit Regex(const QString& pattern);

    // Every whole match in the text, in order; nothing when there is none.
    std::optional<QStringList> matches(const QString& text) const;
    bool hasMatch(const QString& text) const { return internalRegexp.match(text).hasMatch(); }

    const QRegularExpression internalRegexp;
    const QString pattern;

    // The pattern as QRegularExpression reads it.
    static QString toPcre(const QString& icuPattern);
};
