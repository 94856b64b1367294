#include "pages/params/FormScrollArea.h"

#include <QScrollBar>

FormScrollArea::FormScrollArea(QWidget* form, QWidget* parent)
    : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    // The form shows the page's own background, as if it were drawn on the page.
    viewport()->setAutoFillBackground(false);
    setWidget(form);
    form->setAutoFillBackground(false);
}

void FormScrollArea::ScrollIntoView(QWidget* control)
{
    for (QWidget* w = control->parentWidget(); w; w = w->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(w); area && area->widget() && area->widget()->isAncestorOf(control))
            area->ensureWidgetVisible(control);
    }
}
