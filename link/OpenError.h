#pragma once

#include <QString>

// Why the last open of a channel family failed, in the user's words: the device, the cause
// and, where one is known, the remedy. The open calls keep returning their codes; this text
// travels beside them for the dialog and the log. One text per family (serial port, CAN
// card, USB-CAN adapter), chosen by a CommType; empty while the family's last open worked.
// Safe from any thread.
void LinkSetOpenError(int commType, const QString& text);
QString LinkLastOpenError(int commType);
