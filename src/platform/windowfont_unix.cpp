#include "windowfont.h"

#include <QFontInfo>
#include <QStringList>

namespace platform {

QFont windowFont() {
    // The designed captions were measured with the narrow sans-serif dialog
    // font of the designed platform, whose metrics Arial shares; the
    // desktop's default font is wider and cuts them. Liberation Sans
    // (installed with the program) and the next two have those metrics;
    // DejaVu Sans Condensed comes close.
    const QStringList families{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                               QStringLiteral("Arial"), QStringLiteral("DejaVu Sans Condensed")};
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(designedPointSize);
    // Any other sans-serif font is wider: at half a point less the widest
    // captions still fit.
    if (!families.contains(QFontInfo(font).family()))
        font.setPointSizeF(designedPointSize - 0.5);
    return font;
}

} // namespace platform
