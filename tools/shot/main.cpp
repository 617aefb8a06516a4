// dorrik-screenshot: opens an image in the editor offscreen, uses it a little, saves a picture.
#include "editor/frmMain.h"
#include "platform/Fonts.h"
#include "rom/TileGraphics.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>

#include <cstdio>

int main(int argc, char *argv[])
{
    // No display is needed: the window is drawn into memory.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3) {
        std::fputs("usage: dorrik-screenshot IMAGE.gb OUTPUT.png\n", stderr);
        return 2;
    }
    Fonts::installSubstitutions();

    frmMain window({ arguments.at(1) });
    window.show();
    // What a user sees after a minute with the demo image: level 7 loaded, a wall tile on the
    // left button and a ladder on the right, and a few cells painted with them.
    constexpr int kCell = TileGraphics::kCellPixels;
    for (int i = 0; i < 7; ++i)
        window.mnuNextLevel_Click();
    window.findChild<QScrollBar *>(QStringLiteral("scrTiles"))->setValue(-1); // palette from 1
    window.picTiles_MouseMove(0, 0, 8, 8); // tile 1, the wall
    window.picTiles_MouseDown(1, 0, 8, 8);
    window.picTiles_MouseMove(0, 0, 8, kCell * 3 + 8); // tile 4, the ladder
    window.picTiles_MouseDown(2, 0, 8, kCell * 3 + 8);
    for (int column = 3; column <= 6; ++column)
        window.picEditor_MouseMove(1, 0, kCell * column + 8, kCell * 12 + 8);
    window.picEditor_MouseDown(2, 0, kCell * 6 + 8, kCell * 13 + 8);
    window.picEditor_MouseDown(2, 0, kCell * 6 + 8, kCell * 14 + 8);
    window.picTiles_MouseMove(0, 0, 8, kCell * 6 + 8);
    window.picEditor_MouseMove(0, 0, kCell * 6 + 4, kCell * 14 + 4);
    QApplication::processEvents();

    if (!window.grab().save(arguments.at(2))) {
        std::fprintf(stderr, "dorrik-screenshot: cannot write %s\n", qPrintable(arguments.at(2)));
        return 2;
    }
    return 0;
}
