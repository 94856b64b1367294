#pragma once

class QHBoxLayout;
class QPushButton;

// A dialog's closing row at its right edge: ok, the default button (Enter clicks it), then
// cancel. The caller connects their clicks.
QHBoxLayout* OkCancelRow(QPushButton* ok, QPushButton* cancel);
