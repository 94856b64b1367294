#include "platform/CjkFonts.h"

QStringList CjkFallbackFamilies()
{
    return { QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("Noto Sans CJK SC") };
}

QFont WithCjkFallback(QFont font)
{
    QStringList families = font.families();
    if (families.isEmpty())
        families << font.family();
    for (const QString& face : CjkFallbackFamilies()) {
        if (!families.contains(face))
            families << face;
    }
    font.setFamilies(families);
    return font;
}
