#pragma once

#include <QFont>

// The dialog templates' font is SimSun of this size; their dialog-unit grid is that font's
// (DialogUnits::OfSimSun), whatever font draws the texts.
constexpr int kTemplatePointSize = 9;

// The font the dialog templates' texts are drawn in: SimSun where it is installed. Where it
// is missing, DejaVu Sans Condensed draws the Latin texts and the degree sign nearly as
// narrow as SimSun's half-width letters (the CJK font's small sizes leave the degree sign
// blank), and the CJK font the Chinese captions.
QFont DialogTemplateFont();
