#pragma once

#include "controls/EditEx.h"

#include <QFont>
#include <QSize>
#include <QString>

// How a text is drawn so that it fits a box: its font at the largest pixel size, from the
// given font's own down to minPixelSize, at which it fits on one line, else on two lines
// broken between words. `fits` is false when even two lines at the smallest size do not.
struct TextFit {
    QFont font;
    bool wrapped = false;
    bool fits = false;
};
TextFit FitTextToBox(const QString& text, const QFont& font, const QSize& room, int minPixelSize);

// A read-only field of the status strip. Its template box is fixed, and some of the drive's
// texts ("Home Seeking Succeed") are longer than any font of a legible size can put in it
// on one line: such a text is drawn smaller, or on two lines, instead of running out of
// the box. The field's font stays what it was given; only the drawing adapts.
class StripField : public CEditEx {
    Q_OBJECT
public:
    // Texts are drawn no smaller than this many pixels.
    static constexpr int kMinPixelSize = 7;

    explicit StripField(QWidget* parent = nullptr);

    // Where the text is drawn: the box less its frame and margins.
    QSize TextRoom() const;
    // How the current text is drawn.
    TextFit Fit() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
