#include "platform/Colorref.h"

QColor ColorFromRef(COLORREF ref)
{
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

COLORREF RefFromColor(const QColor& color)
{
    return RGB(static_cast<uint8_t>(color.red()), static_cast<uint8_t>(color.green()), static_cast<uint8_t>(color.blue()));
}
