// The fonts of the editor's fixed layout; the families behind them are the platform's.
#include "Fonts.h"

#include <QStringList>

namespace Fonts {

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
    QFont font(dialogFamily());
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
