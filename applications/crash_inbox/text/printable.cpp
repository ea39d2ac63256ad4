#include "printable.h"

#include <cstdio>

namespace {

// Controls, line and paragraph separators, direction marks and overrides, and the invisible
// characters (zero width, byte order mark) that make a name look like another; the backslash
// too, so that an escape in the output can never be mistaken for a text that looks like one.
bool needsEscape(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c < 0xa0) || c == u'\\' || c == 0x061c ||
           (c >= 0x200b && c <= 0x200f) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202a && c <= 0x202e) || (c >= 0x2060 && c <= 0x2069) || c == 0xfeff;
}

} // namespace

QString printable(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (!needsEscape(c.unicode()))
            result += c;
        else if (c == QLatin1Char('\n'))
            result += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            result += QLatin1String("\\t");
        else if (c == QLatin1Char('\\'))
            result += QLatin1String("\\\\");
        else if (c.unicode() < 0x100)
            result += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return result;
}

void logLine(const QString& line)
{
    std::fprintf(stderr, "q5-crash-inbox: %s\n", printable(line).toUtf8().constData());
}
