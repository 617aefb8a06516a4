// Dorrik: a level editor for Pebblefen's Game Boy ROM image. The only argument is its path.
#include "editor/frmMain.h"
#include "os/CommandLine.h"
#include "platform/Fonts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The whole command line is the image's path. Qt would take words such as "-style x.gb" or
    // "-reverse" out of it for itself, so the arguments are read before Qt sees them, and Qt
    // is given the program's name alone.
    const QStringList arguments = CommandLine::arguments(argc, argv);
    int programNameOnly = 1;
    QApplication app(programNameOnly, argv);
    QApplication::setApplicationName(QStringLiteral("Dorrik"));
    Fonts::installSubstitutions();

    frmMain window(arguments);
    window.show();
    return QApplication::exec();
}
