#pragma once

#include <QString>

// The object name a control of the given id carries ("idc_1141"), by which code and tests
// find it again, as a dialog item is found by its id.
QString ControlObjectName(int id);

// Names the widget after its control id and hands it back, for building controls in place.
template <class Widget>
Widget* Named(Widget* widget, int id)
{
    widget->setObjectName(ControlObjectName(id));
    return widget;
}
