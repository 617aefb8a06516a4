// The designed fonts' Linux stand-ins: metric-compatible families from Debian's fonts.
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

QString dialogFamily()
{
    return QStringLiteral("Liberation Sans");
}

} // namespace Fonts
