// Dorrik: a level editor for Pebblefen's Game Boy ROM image. The only argument is its path.
#include "editor/frmMain.h"
#include "platform/Fonts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dorrik"));
    Fonts::installSubstitutions();

    frmMain window(QApplication::arguments().mid(1));
    window.show();
    return QApplication::exec();
}
