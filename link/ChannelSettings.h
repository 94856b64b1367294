#pragma once

#include "link/LinkLayer.h"
#include "link/NodeAddress.h"

#include <QString>
#include <QVariant>

// The channel to the drives as the profile keeps it: section "QzBrantovelix", keys ComType,
// ComNum, ComBaud and CurNote (the node); section "CommK8110", keys Index, Baud (kbit/s),
// ACR and AMR. On loading, a key that is missing, not a number or outside its range reads
// as its default; ACR and AMR are hex texts, taken as stored (the link fills what they
// lack). Saving writes only the parts asked for, so a dialog never writes back a value it
// merely read (the node above all, which the node search changes meanwhile).
struct ChannelSettings {
    enum Part { TypePart = 1, SerialPart = 2, CanPart = 4, NodePart = 8 };

    int comType = COMM_CAN_K8110;
    int comNum = 1;   // COM1 .. COM255
    int comBaud = 9600;
    int canIndex = 0; // 0 .. 255
    int canKbps = 500;
    QString acr = QStringLiteral("00000000");
    QString amr = QStringLiteral("FFFFFFFF");
    int node = kDefaultNodeAddress; // by the node address rule (link/NodeAddress.h)

    static ChannelSettings Load();
    void Save(int parts) const;

    // The serial open record: COM<comNum> at comBaud, 8N1.
    SerialSettings ToSerial() const;
    // The CAN open record; false when the bit rate is none the adapters know.
    bool ToCan(CanSettings* can) const;
};

// Stores the node address the user chose ("CurNote").
void SaveNodeAddress(int node);

// Opens the channel the settings name, as at start-up, and sets its open flag; what opened
// is written back to the profile (the node is not). A bit rate the adapters do not know
// opens nothing and says so in LinkLastOpenError. True when the channel opened.
bool OpenStoredChannel(const ChannelSettings& stored);

// The device path of "COM<port>": profile section "Ports", key "COM<port>" (a device path
// such as /dev/ttyUSB0 or a /dev/serial/by-id/ link), else /dev/ttyS<port-1>.
QString ComDevicePath(int port);
// Binds COM<port> to a device in the profile, unless the device is empty or the one the
// port already stands for (as SerialDeviceName shows it); returns the binding before
// (invalid when there was none), for RestoreComDevice after a failed open.
QVariant BindComDevice(int port, const QString& device);
void RestoreComDevice(int port, const QVariant& binding);
