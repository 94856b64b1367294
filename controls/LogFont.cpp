#include "controls/LogFont.h"

#include <algorithm>
#include <cstdlib>

QFont FontFromLogFont(int height, int weight, uint8_t pitchAndFamily, const QString& faceName, bool underline)
{
    QFont font;
    font.setFamily(faceName.left(LF_FACESIZE - 1));
    if (height != 0)
        font.setPixelSize(std::abs(height));
    font.setWeight(weight <= 0 ? QFont::Normal : static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    font.setUnderline(underline);
    font.setFixedPitch((pitchAndFamily & 0x03) == FIXED_PITCH);
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN: font.setStyleHint(QFont::Serif); break;
    case FF_SWISS: font.setStyleHint(QFont::SansSerif); break;
    case FF_MODERN: font.setStyleHint(QFont::Monospace); break;
    case FF_SCRIPT: font.setStyleHint(QFont::Cursive); break;
    case FF_DECORATIVE: font.setStyleHint(QFont::Fantasy); break;
    default: break;
    }
    return font;
}
