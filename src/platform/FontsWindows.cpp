// The designed fonts on Windows: the real ones where the system has them.
#include "Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace Fonts {

void installSubstitutions()
{
    // "Courier New" and "System" are Windows' own; only a system without them (Wine without
    // its fonts) needs stand-ins.
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               { QStringLiteral("Liberation Mono"), QStringLiteral("Cousine") });
    QFont::insertSubstitutions(QStringLiteral("System"),
                               { QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma") });
}

QString dialogFamily()
{
    // The layout was drawn in "MS Sans Serif"; where it is gone, the system's dialog font.
    static const QString family
        = QFontDatabase::families().contains(QStringLiteral("MS Sans Serif"))
        ? QStringLiteral("MS Sans Serif")
        : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    return family;
}

} // namespace Fonts
