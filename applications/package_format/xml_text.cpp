#include "xml_text.h"

namespace {

constexpr char16_t ControlPicturesBase = 0x2400;

bool isForbiddenControl(char16_t unit)
{
    return unit < 0x20 && unit != u'\t' && unit != u'\n' && unit != u'\r';
}

} // namespace

QString xmlSafeText(const QString& text)
{
    QString safe = text;
    const qsizetype length = safe.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t unit = safe.at(i).unicode();
        if (isForbiddenControl(unit)) {
            safe[i] = QChar(char16_t(ControlPicturesBase + unit));
        } else if (unit == 0xFFFE || unit == 0xFFFF) {
            safe[i] = QChar::ReplacementCharacter;
        } else if (QChar::isHighSurrogate(unit)) {
            if (i + 1 < length && QChar::isLowSurrogate(safe.at(i + 1).unicode()))
                ++i;
            else
                safe[i] = QChar::ReplacementCharacter;
        } else if (QChar::isLowSurrogate(unit)) {
            safe[i] = QChar::ReplacementCharacter;
        }
    }
    return safe;
}
