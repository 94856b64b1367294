#include "shell/LogLineFormatter.h"

#include "link/LogRing.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

// A line is shown up to its first CR or LF: a serial reply ends in the drive's CR, and
// the next command brings its own CR LF, so showing the CR would leave an empty row.
QString ShownPart(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n')
            return text.left(i);
    }
    return text;
}

// The little-endian number of `size` bytes after the first two bytes of a slot; bytes the
// line does not have read as 0.
template <typename T>
T SlotValue(QByteArrayView slot)
{
    unsigned char bytes[sizeof(T)] = {};
    if (slot.size() > 2)
        memcpy(bytes, slot.data() + 2, std::min<size_t>(sizeof(T), static_cast<size_t>(slot.size() - 2)));
    return qFromLittleEndian<T>(bytes);
}

} // namespace

LogLineFormatter::Step LogLineFormatter::Format(QByteArrayView slotText, LPARAM lParam, int viewLines)
{
    const int kind = HIWORD(lParam);
    const bool isCommand = LOWORD(lParam) != 0;
    Step step;
    if (kind == 0) {
        if (isCommand) {
            // The whole text counts for the dots of the reply, even past a CR.
            m_strLastCommand = DecodeLogText(slotText);
            step.text = QStringLiteral("\r\n ") + ShownPart(m_strLastCommand);
        } else if (viewLines > kMaxLines) {
            step.clear = true;
        } else {
            const qsizetype dots = std::max<qsizetype>(0, 6 - m_strLastCommand.size());
            step.text = QStringLiteral(" ") + QString(dots, u'.') + u' ' + ShownPart(DecodeLogText(slotText));
        }
    } else if (kind >= 1 && kind <= 3) {
        if (isCommand) {
            step.text = QStringLiteral("\r\n ") + ShownPart(DecodeLogText(slotText));
        } else {
            const int value = kind == 2 ? SlotValue<qint32>(slotText) : SlotValue<qint16>(slotText);
            step.text = QStringLiteral("          %1\r\n").arg(value);
        }
    }
    return step;
}
