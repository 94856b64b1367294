#pragma once

#include <QScrollArea>

// The part of a page that scrolls: a form of fixed size, moved up and down (never sideways)
// within whatever height the page gives it, while what stands above it on the page stays
// in view. It takes no focus itself, so the Tab key goes from the controls above it
// straight to the form's first control.
class FormScrollArea : public QScrollArea {
    Q_OBJECT
public:
    FormScrollArea(QWidget* form, QWidget* parent);

    // Scrolls every scrolling pane around the control, innermost first, until the control
    // is in view.
    static void ScrollIntoView(QWidget* control);
};
