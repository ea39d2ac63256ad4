#include "search_words.h"

#include <QRegularExpression>
#include <QSet>

namespace SearchWords {

namespace {

// Longer runs are no words anyone searches for; PostgreSQL refuses to index them.
constexpr qsizetype MaximumWordCharacters = 200;

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.category() == QChar::Mark_NonSpacing ||
           c.category() == QChar::Mark_SpacingCombining;
}

// Lower case, and the letters' accents dropped: compatibility decomposition, then without the
// marks it made.
QString folded(QStringView word)
{
    const QString decomposed = word.toString().normalized(QString::NormalizationForm_KD);
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing &&
            c.category() != QChar::Mark_SpacingCombining && c.category() != QChar::Mark_Enclosing)
            result += c;
    }
    return result.toLower();
}

// Calls `add` with each folded word of the text, in order, until it returns false.
template <typename Add>
void forEachWord(QStringView text, Add add)
{
    qsizetype start = -1;
    for (qsizetype at = 0; at <= text.size(); ++at) {
        const bool inWord = at < text.size() && isWordCharacter(text.at(at));
        if (inWord && start < 0)
            start = at;
        if (inWord || start < 0)
            continue;
        const QStringView run = text.sliced(start, at - start);
        start = -1;
        // Decomposition may leave pieces that are no letters or digits: split again.
        const QString word = folded(run);
        qsizetype from = -1;
        for (qsizetype index = 0; index <= word.size(); ++index) {
            const bool letter = index < word.size() && word.at(index).isLetterOrNumber();
            if (letter && from < 0)
                from = index;
            if (letter || from < 0)
                continue;
            const QString piece = word.mid(from, index - from);
            from = -1;
            if (piece.size() <= MaximumWordCharacters && !add(piece))
                return;
        }
    }
}

} // namespace

QString indexText(const QString& comments, const QStringList& outputLog)
{
    // No words is an empty text, not a missing one: the column holds no NULL.
    QString words(QLatin1String(""));
    QSet<QString> seen;
    const auto add = [&](const QString& word) {
        if (seen.contains(word))
            return true;
        if (words.size() + word.size() + 1 > MaximumCharacters)
            return false;
        seen.insert(word);
        if (!words.isEmpty())
            words += QLatin1Char(' ');
        words += word;
        return true;
    };
    bool room = true;
    forEachWord(comments, [&](const QString& word) { return room = add(word); });
    for (const QString& line : outputLog) {
        if (!room)
            break;
        forEachWord(line, [&](const QString& word) { return room = add(word); });
    }
    return words;
}

QList<QueryWord> queryWords(const QString& text)
{
    QList<QueryWord> words;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& part : text.split(blanks, Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        QList<QueryWord> found;
        forEachWord(trimmed, [&](const QString& word) {
            found.append({word, false});
            return true;
        });
        // "lamp*" asks for words that start so; the star belongs to the last word of the part.
        if (!found.isEmpty() && trimmed.endsWith(QLatin1Char('*')))
            found.last().prefix = true;
        words += found;
    }
    return words;
}

} // namespace SearchWords
