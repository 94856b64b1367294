#pragma once

#include <QPixmap>

// Pictures of the top strip's two picture buttons.
constexpr int IDB_CHAIN_CLOSED = 153; // 72 x 48: the drive answers
constexpr int IDB_CHAIN_BROKEN = 154; // 72 x 48: no answer
constexpr int IDB_REFRESH = 205;      // 19 x 21: refresh the drive status

// The picture of the given id, drawn on a transparent ground; a null pixmap for any
// other id.
QPixmap LoadStripBitmap(int id);
