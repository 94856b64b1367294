#include "platform/DialogFont.h"

#include "platform/CjkFonts.h"

#include <QStringList>

QFont DialogTemplateFont()
{
    // The DejaVu faces stand before the CJK ones, so they draw the Latin texts.
    QFont font(QStringList { QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("DejaVu Sans Condensed"),
        QStringLiteral("DejaVu Sans") });
    font.setPointSize(kTemplatePointSize);
    return WithCjkFallback(font);
}
