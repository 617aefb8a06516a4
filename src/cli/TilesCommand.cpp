// "tiles": a PNG picture of the tile set ("tiles import" reads one back).
#include "CommandSupport.h"
#include "Commands.h"
#include "picture/Render.h"
#include "rom/TileAccess.h"

using namespace CommandSupport;

namespace Commands {

Commands::Outcome tiles(const QStringList &arguments)
{
    // "import" as the first argument picks the other direction; an image of that name is
    // still reached as ./import.
    if (!arguments.isEmpty() && arguments.front() == QLatin1String("import"))
        return tilesImport(arguments.mid(1));
    CommandParser command(QStringLiteral("tiles"),
                          QStringLiteral("IMAGE -o FILE.png [--scale N]\n"
                                         "       %1 tiles import IMAGE FILE.png [--first N] "
                                         "[--nearest] [--scale N]")
                              .arg(kProgram),
                          QStringLiteral("Draws the 256 tiles in a 16 x 16 grid, tile 0x00 at the "
                                         "top left, 0x0F at the top right, 0xFF at the bottom "
                                         "right. \"%1 tiles import\" writes such a picture back "
                                         "into the image (\"%1 tiles import --help\" tells "
                                         "more); an image named \"import\" is given as "
                                         "./import.")
                              .arg(kProgram));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("IMAGE"), QStringLiteral("The ROM image."));
    addPictureOptions(parser, QString::number(Render::kEditorScale));
    if (auto done = command.parse(arguments, 1, 1))
        return *done;
    int scale = 0;
    if (Status ready = checkPictureOptions(command, Render::kEditorScale, scale); !ready)
        return failure(ready.error);
    // Only the tiles are needed: one read of their 4 KiB, however large the image.
    const QString path = parser.positionalArguments().at(0);
    QByteArray graphics;
    if (Status read = TileAccess::readTiles(path, 0, RomLayout::kTileCount, graphics); !read)
        return failure(aboutFile(path, read.error));
    return writePicture(parser.value(kOutputOption), Render::tileSheet(graphics, scale),
                        QStringLiteral("%1 tiles").arg(RomLayout::kTileCount));
}

} // namespace Commands
