#pragma once

#include <QFont>
#include <QRect>

class QWidget;

// Converts dialog units into pixels the way dialog templates are laid out: a horizontal
// unit is a quarter of the dialog font's average character width, a vertical unit an
// eighth of its character height, each rounded to the nearest pixel.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& dialogFont);
    // The grid of a template whose font is SimSun (宋体) of the given size, at the screen's
    // resolution: that font's character cell is square with half-width Latin letters, so
    // its base units are the cell's height and half of it (6 x 12 pixels for 9 pt at
    // 96 dpi). The grid is the template's own, whatever fallback font draws the texts.
    static DialogUnits OfSimSun(int pointSize);

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

    int ToPixelsX(int dluX) const;
    int ToPixelsY(int dluY) const;
    QRect ToPixels(const QRect& dluRect) const;
    // Gives the widget the pixel geometry of a template rectangle.
    void Place(QWidget* widget, int x, int y, int width, int height) const;

private:
    DialogUnits(int baseX, int baseY);

    int m_baseX;
    int m_baseY;
};
