#include "platform/DialogFont.h"

#include <QStringList>

QFont DialogTemplateFont()
{
    QFont font;
    font.setFamilies({ QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("DejaVu Sans Condensed"),
        QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei") });
    font.setPointSize(kTemplatePointSize);
    return font;
}
