#include "link/ChannelSettings.h"

#include "link/OpenError.h"
#include "link/SerialPort.h"
#include "platform/Profile.h"

#include <climits>

namespace {
const QString kSection = QStringLiteral("QzBrantovelix/");
const QString kCanSection = QStringLiteral("CommK8110/");

int LoadInt(const QSettings& profile, const QString& key, int fallback, int low, int high)
{
    // Read wide, so a huge number is out of range rather than wrapped into it.
    bool ok = false;
    const qlonglong value = profile.value(key).toLongLong(&ok);
    return ok && value >= low && value <= high ? static_cast<int>(value) : fallback;
}

QString LoadText(const QSettings& profile, const QString& key, const QString& fallback)
{
    const QVariant value = profile.value(key);
    return value.isValid() ? value.toString() : fallback;
}

QString PortKey(int port)
{
    return QStringLiteral("Ports/COM%1").arg(port);
}
}

ChannelSettings ChannelSettings::Load()
{
    const auto profile = OpenProfile();
    ChannelSettings s;
    // A type number no channel has is kept: the dialog shows it as CAN_USB2.
    s.comType = LoadInt(*profile, kSection + "ComType", s.comType, INT_MIN, INT_MAX);
    s.comNum = LoadInt(*profile, kSection + "ComNum", s.comNum, 1, 255);
    s.comBaud = LoadInt(*profile, kSection + "ComBaud", s.comBaud, 1, INT_MAX);
    s.canIndex = LoadInt(*profile, kCanSection + "Index", s.canIndex, 0, 255);
    s.canKbps = LoadInt(*profile, kCanSection + "Baud", s.canKbps, 1, INT_MAX);
    s.acr = LoadText(*profile, kCanSection + "ACR", s.acr);
    s.amr = LoadText(*profile, kCanSection + "AMR", s.amr);
    s.node = NodeAddressOrDefault(LoadInt(*profile, kSection + "CurNote", s.node, INT_MIN, INT_MAX));
    return s;
}

void ChannelSettings::Save(int parts) const
{
    const auto profile = OpenProfile();
    if (parts & SerialPart) {
        profile->setValue(kSection + "ComNum", comNum);
        profile->setValue(kSection + "ComBaud", comBaud);
    }
    if (parts & CanPart) {
        profile->setValue(kCanSection + "Index", canIndex);
        profile->setValue(kCanSection + "Baud", canKbps);
        profile->setValue(kCanSection + "ACR", acr);
        profile->setValue(kCanSection + "AMR", amr);
    }
    if (parts & TypePart)
        profile->setValue(kSection + "ComType", comType);
    if (parts & NodePart)
        profile->setValue(kSection + "CurNote", node);
}

void SaveNodeAddress(int node)
{
    ChannelSettings settings;
    settings.node = node;
    settings.Save(ChannelSettings::NodePart);
}

SerialSettings ChannelSettings::ToSerial() const
{
    SerialSettings serial;
    serial.port = static_cast<uint32_t>(comNum);
    serial.baud = static_cast<uint32_t>(comBaud);
    serial.parity = 'N';
    serial.byteSize = 8;
    serial.stopBits = 1;
    return serial;
}

bool ChannelSettings::ToCan(CanSettings* can) const
{
    return BuildCanSettings(canIndex, canKbps, acr.toLatin1().toStdString(), amr.toLatin1().toStdString(), can);
}

bool OpenStoredChannel(const ChannelSettings& stored)
{
    const int type = stored.comType;
    if (type == COMM_RS232) {
        const SerialSettings serial = stored.ToSerial();
        g_bRs232Open = LinkOpenChannel(COMM_RS232, &serial);
        if (!g_bRs232Open)
            return false;
        stored.Save(ChannelSettings::SerialPart | ChannelSettings::TypePart);
        return true;
    }
    // The adapter library is told which adapter it serves before it is opened.
    if (IsUsbCanType(type))
        g_nVciDevType = VciDeviceTypeOf(type);
    // A bit rate that is not in the table opens nothing: the dialog comes up instead.
    // Short ACR/AMR texts leave the remaining bytes zero.
    CanSettings can;
    if (stored.ToCan(&can)) {
        if (type == COMM_CAN_K8110)
            g_bCanK8110Open = LinkOpenChannel(COMM_CAN_K8110, &can);
        else
            g_bCanUsbOpen = LinkOpenChannel(type, &can);
    } else {
        LinkSetOpenError(type, QStringLiteral("CAN bit rate %1 kbit/s is none of the rates the adapters know").arg(stored.canKbps));
    }
    if (!g_bCanK8110Open && !g_bCanUsbOpen)
        return false;
    stored.Save(ChannelSettings::CanPart | ChannelSettings::TypePart);
    return true;
}

QString ComDevicePath(int port)
{
    const QString device = OpenProfile()->value(PortKey(port)).toString().trimmed();
    return device.isEmpty() ? QStringLiteral("/dev/ttyS%1").arg(port - 1) : device;
}

QVariant BindComDevice(int port, const QString& device)
{
    const auto profile = OpenProfile();
    const QVariant before = profile->value(PortKey(port));
    if (!device.isEmpty() && device != SerialDeviceName(port))
        profile->setValue(PortKey(port), device);
    return before;
}

void RestoreComDevice(int port, const QVariant& binding)
{
    const auto profile = OpenProfile();
    if (binding.isValid())
        profile->setValue(PortKey(port), binding);
    else
        profile->remove(PortKey(port));
}
