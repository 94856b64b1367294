#include "link/SerialDeviceList.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <mutex>

namespace {
std::mutex g_listerMutex;
std::function<QList<SerialDeviceEntry>()> g_lister;
}

QList<SerialDeviceEntry> ListSerialDevices()
{
    {
        std::lock_guard lock(g_listerMutex);
        if (g_lister)
            return g_lister();
    }
    QList<SerialDeviceEntry> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        devices.append({ StableSerialPath(port.systemLocation()), port.description(), port.manufacturer() });
    return devices;
}

QString SerialDeviceLabel(const SerialDeviceEntry& entry)
{
    QStringList known;
    for (const QString& part : { entry.description, entry.maker }) {
        if (!part.isEmpty() && !known.contains(part))
            known << part;
    }
    return known.isEmpty() ? entry.path : entry.path + QStringLiteral("  ") + known.join(QStringLiteral(", "));
}

QString StableSerialPath(const QString& device, const QString& byIdDir)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    const QFileInfoList links = QDir(byIdDir).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& link : links) {
        if (link.isSymLink() && !target.isEmpty() && link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return device;
}

void SetSerialDeviceLister(std::function<QList<SerialDeviceEntry>()> lister)
{
    std::lock_guard lock(g_listerMutex);
    g_lister = std::move(lister);
}
