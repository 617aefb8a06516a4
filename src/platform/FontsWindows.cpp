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
    const QStringList dialogFaces = { QStringLiteral("Microsoft Sans Serif"),
                                      QStringLiteral("Liberation Sans"), QStringLiteral("Tahoma") };
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), dialogFaces);
    // The menu bar takes the system's default font, which Windows names by its aliases for the
    // dialog font. Qt finds no face by those names where the system maps them (Wine, at every
    // display scale) and would take the first face it knows, a serif: they stand for the dialog
    // font too.
    for (const QString &alias :
         { QStringLiteral("MS Shell Dlg"), QStringLiteral("MS Shell Dlg 2") })
        QFont::insertSubstitutions(alias, QStringList { dialogFamily() } + dialogFaces);
}

QString dialogFamily()
{
    // The family the layout was drawn in.
    return QStringLiteral("MS Sans Serif");
}

} // namespace Fonts
