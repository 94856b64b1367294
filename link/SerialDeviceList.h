#pragma once

#include <QList>
#include <QString>
#include <functional>

// The serial devices present on this machine, for choosing which device a COM number
// stands for (profile section "Ports"). Enumeration only: the port itself is opened by
// link/SerialPort over termios.
struct SerialDeviceEntry {
    QString path;        // what a COM number is bound to
    QString description; // empty when the system does not know
    QString maker;
};

// The devices Qt Serial Port finds, each by its stable /dev/serial/by-id/ name where one
// leads to it (a USB adapter keeps that name whatever order it was plugged in).
QList<SerialDeviceEntry> ListSerialDevices();
// "path  description, maker", with the parts that are known.
QString SerialDeviceLabel(const SerialDeviceEntry& entry);
// The link in byIdDir that leads to device, else device itself.
QString StableSerialPath(const QString& device, const QString& byIdDir = QStringLiteral("/dev/serial/by-id"));

// Tests put their own devices in the list; an empty lister restores the real one.
void SetSerialDeviceLister(std::function<QList<SerialDeviceEntry>()> lister);
