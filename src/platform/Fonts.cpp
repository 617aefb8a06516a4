// Font families and substitutions for the editor's fixed layout.
#include "Fonts.h"

#include <QStringList>

namespace Fonts {

void installSubstitutions()
{
    const QStringList monospace = { QStringLiteral("Liberation Mono"), QStringLiteral("Cousine"),
                                    QStringLiteral("DejaVu Sans Mono") };
    QFont::insertSubstitutions(QStringLiteral("Courier New"), monospace);
    const QStringList sans = { QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                               QStringLiteral("DejaVu Sans") };
    QFont::insertSubstitutions(QStringLiteral("System"), sans);
}

QFont courierNew(qreal pointSize)
{
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QFont dialogDefault()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont systemBold()
{
    QFont font(QStringLiteral("System"));
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace Fonts
