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

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

    int ToPixelsX(int dluX) const;
    int ToPixelsY(int dluY) const;
    QRect ToPixels(const QRect& dluRect) const;
    // Gives the widget the pixel geometry of a template rectangle.
    void Place(QWidget* widget, int x, int y, int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};
