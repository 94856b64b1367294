#include "platform/Profile.h"

std::unique_ptr<QSettings> OpenProfile()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("DADEZ"), QStringLiteral("Velquarin"));
}
