#include "symbol_file_reader.h"

#include <QIODevice>
#include <QList>

namespace CrashAnalysis {

namespace {

// No record of a real symbol file comes near it; a longer line is no symbol file's.
constexpr qint64 MaximumLineBytes = 1024 * 1024;
constexpr quint64 MaximumAddress = quint64(std::numeric_limits<qint64>::max());

struct Fields {
    QList<QByteArrayView> words;
    QByteArrayView rest; // what follows the words taken, for names that hold blanks
};

// The first `count` blank-separated words, and the rest of the line after them.
Fields split(QByteArrayView line, int count)
{
    Fields fields;
    qsizetype at = 0;
    while (fields.words.size() < count) {
        while (at < line.size() && line.at(at) == ' ')
            ++at;
        if (at >= line.size())
            break;
        const qsizetype end = line.indexOf(' ', at);
        fields.words.append(line.sliced(at, (end < 0 ? line.size() : end) - at));
        at = end < 0 ? line.size() : end;
    }
    while (at < line.size() && line.at(at) == ' ')
        ++at;
    fields.rest = line.sliced(at);
    return fields;
}

std::optional<quint64> hexNumber(QByteArrayView text)
{
    bool ok = false;
    const quint64 value = text.toULongLong(&ok, 16);
    if (!ok || text.isEmpty() || text.startsWith("0x") || value > MaximumAddress)
        return std::nullopt;
    return value;
}

std::optional<qint64> decimalNumber(QByteArrayView text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

class LineReader
{
public:
    LineReader(QIODevice& device, SymbolFileHandler& handler)
        : m_device(device)
        , m_handler(handler)
    {}

    QString read();

private:
    QString problem(const QString& text) const
    {
        return QStringLiteral("line %1: %2").arg(m_number).arg(text);
    }
    QString record(QByteArrayView line);
    QString moduleRecord(QByteArrayView line);
    QString functionRecord(QByteArrayView line);
    QString publicRecord(QByteArrayView line);
    QString stackRecord(QByteArrayView line);
    QString lineRecord(QByteArrayView line);
    bool flushRules();
    // Drops a FUNC's or PUBLIC's optional "m" (several names folded into one address).
    static QByteArrayView withoutMultiple(QByteArrayView line);

    QIODevice& m_device;
    SymbolFileHandler& m_handler;
    qint64 m_number = 0;
    bool m_inFunction = false;
    bool m_stopped = false;
    // The rules of the INIT record being read, with their changes.
    std::optional<std::pair<quint64, quint64>> m_rulesRange;
    QString m_rules;
};

QString LineReader::read()
{
    QByteArray line;
    while (!m_device.atEnd()) {
        line = m_device.readLine(MaximumLineBytes);
        ++m_number;
        // Cut short before its end: longer than the bound.
        if (!line.endsWith('\n') && !m_device.atEnd())
            return problem(QStringLiteral("it is longer than any symbol file's line"));
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (m_number == 1 && !line.startsWith("MODULE "))
            return QStringLiteral("it is no symbol file: its first line is no MODULE line");
        if (const QString trouble = record(line); !trouble.isEmpty())
            return trouble;
        if (m_stopped)
            return QStringLiteral("its records could not be kept");
    }
    if (m_number == 0)
        return QStringLiteral("it is empty");
    if (!flushRules())
        return QStringLiteral("its records could not be kept");
    return {};
}

QByteArrayView LineReader::withoutMultiple(QByteArrayView line)
{
    return line.startsWith("m ") ? line.sliced(2) : line;
}

QString LineReader::record(QByteArrayView line)
{
    if (line.isEmpty())
        return {};
    if (m_number == 1)
        return moduleRecord(line);
    if (line.startsWith("FILE ")) {
        m_inFunction = false;
        const Fields fields = split(line.sliced(5), 1);
        const auto number = fields.words.isEmpty() ? std::nullopt : decimalNumber(fields.words[0]);
        if (!number || fields.rest.isEmpty())
            return problem(QStringLiteral("a FILE record needs a number and a name"));
        m_stopped = !m_handler.sourceFile(*number, QString::fromUtf8(fields.rest));
        return {};
    }
    if (line.startsWith("FUNC "))
        return functionRecord(withoutMultiple(line.sliced(5)));
    if (line.startsWith("PUBLIC "))
        return publicRecord(withoutMultiple(line.sliced(7)));
    if (line.startsWith("STACK "))
        return stackRecord(line.sliced(6));
    if (line.startsWith("INFO ") || line.startsWith("INLINE ") ||
        line.startsWith("INLINE_ORIGIN ") || line.startsWith("MODULE ")) {
        m_inFunction = line.startsWith("INLINE ") && m_inFunction;
        return {};
    }
    return lineRecord(line);
}

QString LineReader::moduleRecord(QByteArrayView line)
{
    const Fields fields = split(line.sliced(7), 3);
    if (fields.words.size() < 3 || fields.rest.isEmpty())
        return problem(QStringLiteral("a MODULE line needs a system, a CPU, an identifier and "
                                      "a name"));
    const QString id = QString::fromLatin1(fields.words[2]).toUpper();
    const bool hex = std::all_of(id.cbegin(), id.cend(), [](QChar c) {
        return c.isDigit() || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
    });
    if (!hex || id.size() < 9 || id.size() > 40)
        return problem(QStringLiteral("the MODULE line's identifier is not a debug identifier"));
    m_stopped =
        !m_handler.module({QString::fromUtf8(fields.words[0]), QString::fromUtf8(fields.words[1]),
                           id, QString::fromUtf8(fields.rest)});
    return {};
}

QString LineReader::functionRecord(QByteArrayView line)
{
    const Fields fields = split(line, 3);
    const auto address = fields.words.size() == 3 ? hexNumber(fields.words[0]) : std::nullopt;
    const auto size = fields.words.size() == 3 ? hexNumber(fields.words[1]) : std::nullopt;
    if (!address || !size || !hexNumber(fields.words[2]) || fields.rest.isEmpty())
        return problem(QStringLiteral("a FUNC record needs an address, a size, a parameter "
                                      "size and a name"));
    m_inFunction = true;
    m_stopped = !m_handler.function(*address, *size, QString::fromUtf8(fields.rest));
    return {};
}

QString LineReader::publicRecord(QByteArrayView line)
{
    m_inFunction = false;
    const Fields fields = split(line, 2);
    const auto address = fields.words.size() == 2 ? hexNumber(fields.words[0]) : std::nullopt;
    if (!address || !hexNumber(fields.words[1]) || fields.rest.isEmpty())
        return problem(QStringLiteral("a PUBLIC record needs an address, a parameter size and "
                                      "a name"));
    m_stopped = !m_handler.publicSymbol(*address, QString::fromUtf8(fields.rest));
    return {};
}

QString LineReader::stackRecord(QByteArrayView line)
{
    m_inFunction = false;
    if (!line.startsWith("CFI "))
        return {};
    line = line.sliced(4);
    if (line.startsWith("INIT ")) {
        if (!flushRules())
            return {};
        const Fields fields = split(line.sliced(5), 2);
        const auto address = fields.words.size() == 2 ? hexNumber(fields.words[0]) : std::nullopt;
        const auto size = fields.words.size() == 2 ? hexNumber(fields.words[1]) : std::nullopt;
        if (!address || !size || fields.rest.isEmpty())
            return problem(QStringLiteral("a STACK CFI INIT record needs an address, a size and "
                                          "rules"));
        m_rulesRange = std::pair{*address, *size};
        m_rules = QStringLiteral("%1 %2").arg(*address, 0, 16).arg(QString::fromUtf8(fields.rest));
        return {};
    }
    const Fields fields = split(line, 1);
    const auto address = fields.words.isEmpty() ? std::nullopt : hexNumber(fields.words[0]);
    if (!address || fields.rest.isEmpty())
        return problem(QStringLiteral("a STACK CFI record needs an address and rules"));
    // A change outside an INIT record's range belongs to none; it is passed over.
    if (m_rulesRange && *address >= m_rulesRange->first &&
        *address - m_rulesRange->first < m_rulesRange->second)
        m_rules +=
            QStringLiteral("\n%1 %2").arg(*address, 0, 16).arg(QString::fromUtf8(fields.rest));
    return {};
}

QString LineReader::lineRecord(QByteArrayView line)
{
    const Fields fields = split(line, 4);
    const auto address = fields.words.size() == 4 ? hexNumber(fields.words[0]) : std::nullopt;
    const auto size = fields.words.size() == 4 ? hexNumber(fields.words[1]) : std::nullopt;
    const auto number = fields.words.size() == 4 ? decimalNumber(fields.words[2]) : std::nullopt;
    const auto file = fields.words.size() == 4 ? decimalNumber(fields.words[3]) : std::nullopt;
    if (!address || !size || !number || !file || !fields.rest.isEmpty())
        return problem(QStringLiteral("it is no record a symbol file holds"));
    if (!m_inFunction)
        return problem(QStringLiteral("a line record comes before any FUNC record"));
    m_stopped = !m_handler.line(*address, *size, *number, *file);
    return {};
}

bool LineReader::flushRules()
{
    if (!m_rulesRange)
        return true;
    const auto [address, size] = *std::exchange(m_rulesRange, std::nullopt);
    m_stopped = !m_handler.callFrameRules(address, size, std::exchange(m_rules, {}));
    return !m_stopped;
}

} // namespace

QString readSymbolFile(QIODevice& device, SymbolFileHandler& handler)
{
    return LineReader(device, handler).read();
}

} // namespace CrashAnalysis
