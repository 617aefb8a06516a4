// The designed fonts on Windows: the real ones where the system has them.
#include "Fonts.h"

#include <QStringList>

namespace Fonts {

void installSubstitutions()
{
    // "Courier New" and "System" are Windows' own; only a system without them (Wine without
    // its fonts) needs stand-ins. "MS Sans Serif", a bitmap font that not every Windows lets Qt
    // draw, stands in for by its outline twin, the dialog font "MS Shell Dlg" names.
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               { QStringLiteral("Liberation Mono"), QStringLiteral("Cousine") });
    QFont::insertSubstitutions(QStringLiteral("System"),
                               { QStringLiteral("MS Sans Serif"), QStringLiteral("Tahoma") });
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               { QStringLiteral("Microsoft Sans Serif"),
                                 QStringLiteral("Liberation Sans"), QStringLiteral("Tahoma") });
}

QString dialogFamily()
{
    // The family the layout was drawn in.
    return QStringLiteral("MS Sans Serif");
}

} // namespace Fonts
