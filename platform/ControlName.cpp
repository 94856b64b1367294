#include "platform/ControlName.h"

QString ControlObjectName(int id)
{
    return QStringLiteral("idc_%1").arg(id);
}
