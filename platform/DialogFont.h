#pragma once

#include <QFont>

// The font the dialog templates are drawn in: 9 pt SimSun. Where it is missing, DejaVu Sans
// draws the Latin texts and the degree sign (the CJK font's small sizes leave it blank) and
// the CJK font the Chinese captions. The dialog-unit grid of every template is taken from it.
QFont DialogTemplateFont();
