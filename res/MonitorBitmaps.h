#pragma once

#include <QPixmap>

// Pictures of the run-monitor page's view buttons, 24 x 24.
constexpr int IDB_ZOOM_IN = 176;       // Big: half the span
constexpr int IDB_ZOOM_OUT = 178;      // Small: twice the span
constexpr int IDB_ZOOM_BOX_OFF = 197;  // zoom box switched off
constexpr int IDB_ZOOM_BOX_ON = 198;   // zoom box switched on
constexpr int IDB_PAN_LEFT = 201;
constexpr int IDB_PAN_RIGHT = 202;
constexpr int IDB_PAN_UP = 203;
constexpr int IDB_PAN_DOWN = 204;

// The picture of the given id on a transparent ground; a null pixmap for any other id.
QPixmap LoadMonitorBitmap(int id);
