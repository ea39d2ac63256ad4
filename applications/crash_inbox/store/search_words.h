#pragma once

#include <QString>
#include <QStringList>

// What full-text search sees of a package's text and of a query, the same on every engine:
// words are runs of letters and digits, in lower case and without accents, so that "Müller",
// "3.14", "lamp/overheated" and "failed-at" are found by "muller", "14", "lamp" and "at".
namespace SearchWords {

// The package's distinct words, separated by blanks: at most MaximumCharacters of them, the
// first ones kept, so that no index refuses a package for its size.
QString indexText(const QString& comments, const QStringList& outputLog);

inline constexpr qsizetype MaximumCharacters = 256 * 1024;

// One word of a query: a prefix when the technician ended it with '*' ("lamp*").
struct QueryWord {
    QString word;
    bool prefix = false;
};

QList<QueryWord> queryWords(const QString& text);

} // namespace SearchWords
