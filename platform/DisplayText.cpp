#include "platform/DisplayText.h"

QString DisplayText(QStringView text, qsizetype maxChars)
{
    if (text.size() <= maxChars)
        return text.toString();
    if (maxChars <= 0)
        return QString();
    qsizetype keep = maxChars - 1;
    if (keep > 0 && text[keep - 1].isHighSurrogate())
        --keep;
    return text.first(keep).toString() + QChar(0x2026);
}
