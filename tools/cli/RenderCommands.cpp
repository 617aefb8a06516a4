// "render" and "tiles": PNG pictures of a level, of all levels, and of the tile set.
#include "CommandSupport.h"
#include "Commands.h"
#include "os/FileAccess.h"
#include "os/WholeFile.h"
#include "picture/PngFile.h"
#include "picture/Render.h"
#include "rom/CBuffer.h"

using namespace CommandSupport;

namespace Commands {
namespace {

const QString kOutput = QStringLiteral("output");
const QString kScale = QStringLiteral("scale");

void addPictureOptions(QCommandLineParser &parser, const QString &defaultScale)
{
    parser.addOption({ { QStringLiteral("o"), kOutput },
                       QStringLiteral("Write the PNG picture to FILE (required)."),
                       QStringLiteral("FILE") });
    parser.addOption({ kScale,
                       QStringLiteral("Draw each tile pixel as N x N pixels, 1 to %1 (default %2).")
                           .arg(Render::kMaxScale)
                           .arg(defaultScale),
                       QStringLiteral("N") });
}

// The checks every picture command makes before it reads the image: the output is named, is
// not the image, and the scale is valid.
Status checkOptions(CommandLine &command, int defaultScale, int &scale)
{
    QCommandLineParser &parser = command.parser();
    if (!parser.isSet(kOutput))
        return Status::failure(QStringLiteral("no output: add -o FILE.png"));
    scale = defaultScale;
    if (parser.isSet(kScale)) {
        if (Status parsed = parseScale(parser.value(kScale), scale); !parsed)
            return parsed;
    }
    const QString path = parser.positionalArguments().at(0);
    if (WholeFile::sameFile(parser.value(kOutput), path))
        return Status::failure(aboutFile(
            path, QStringLiteral("is the image being drawn; write the picture to another file")));
    return {};
}

// Reads the whole image once: its tiles and all its levels.
Status readImage(const QString &path, QByteArray &image)
{
    if (Status loaded = loadFile(path, image); !loaded)
        return loaded;
    Status tiles
        = FileAccess::checkSpan(image.size(), RomLayout::kTileRegionStart,
                                RomLayout::kTileRegionEnd - RomLayout::kTileRegionStart, "read");
    if (!tiles)
        return Status::failure(aboutFile(path, tiles.error));
    return checkLevelImage(path, image);
}

Commands::Outcome write(const QString &path, const QImage &picture, const QString &what)
{
    if (Status saved = PngFile::save(path, picture); !saved)
        return failure(aboutFile(path, saved.error));
    return success(
        QStringLiteral("wrote %1 (%2 x %3 pixels): %4\n")
            .arg(path, QString::number(picture.width()), QString::number(picture.height()), what)
            .toUtf8());
}

} // namespace

Commands::Outcome render(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("render"),
                        QStringLiteral("IMAGE LEVEL -o FILE.png [--scale N]\n"
                                       "       %1 render IMAGE --all -o FILE.png [--scale N]")
                            .arg(kProgram),
                        QStringLiteral("Draws a level as the editor shows it (320 x 272 pixels "
                                       "at the default scale 2), or with --all every level on "
                                       "one contact sheet, each under its number (default "
                                       "scale 1 there)."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("IMAGE"), QStringLiteral("The ROM image."));
    parser.addPositionalArgument(QStringLiteral("LEVEL"),
                                 QStringLiteral("The level to draw, 1 to 46."),
                                 QStringLiteral("[LEVEL]"));
    const QString all = QStringLiteral("all");
    parser.addOption({ all, QStringLiteral("Draw all levels on one contact sheet.") });
    addPictureOptions(parser,
                      QStringLiteral("%1 for a level, %2 for --all")
                          .arg(Render::kEditorScale)
                          .arg(Render::kContactSheetScale));
    if (auto done = command.parse(arguments, 1, 2))
        return *done;
    const bool allLevels = parser.isSet(all);
    if (allLevels == (parser.positionalArguments().size() == 2))
        return command.usageError(allLevels ? QStringLiteral("give a LEVEL or --all, not both")
                                            : QStringLiteral("give a LEVEL or --all"));
    int level = 0;
    if (!allLevels) {
        if (Status parsed = parseLevel(parser.positionalArguments().at(1), level); !parsed)
            return failure(parsed.error);
    }
    int scale = 0;
    const int defaultScale = allLevels ? Render::kContactSheetScale : Render::kEditorScale;
    if (Status ready = checkOptions(command, defaultScale, scale); !ready)
        return failure(ready.error);
    QByteArray image;
    if (Status read = readImage(parser.positionalArguments().at(0), image); !read)
        return failure(read.error);
    const QImage sheet = Render::tileSheet(
        QByteArrayView(image).sliced(RomLayout::kTileRegionStart,
                                     RomLayout::kTileCount * RomLayout::kTileBytes),
        scale);
    if (!allLevels)
        return write(parser.value(kOutput), Render::level(sheet, levelAt(image, level), scale),
                     QStringLiteral("level %1").arg(level));
    QList<LevelMap> levels;
    for (int number = 1; number <= RomLayout::kLevelCount; ++number)
        levels.append(levelAt(image, number));
    return write(parser.value(kOutput), Render::contactSheet(sheet, levels, scale),
                 QStringLiteral("all %1 levels").arg(RomLayout::kLevelCount));
}

Commands::Outcome tiles(const QStringList &arguments)
{
    // "import" as the first argument picks the other direction; an image of that name is
    // still reached as ./import.
    if (!arguments.isEmpty() && arguments.front() == QLatin1String("import"))
        return tilesImport(arguments.mid(1));
    CommandLine command(QStringLiteral("tiles"),
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
    if (Status ready = checkOptions(command, Render::kEditorScale, scale); !ready)
        return failure(ready.error);
    // Only the tiles are needed: one read of their 4 KiB, however large the image.
    const QString path = parser.positionalArguments().at(0);
    CBuffer::TileRun run;
    if (Status read = CBuffer::ReadTiles(path, 0, RomLayout::kTileCount, run); !read)
        return failure(aboutFile(path, read.error));
    return write(parser.value(kOutput), Render::tileSheet(run.bytes(), scale),
                 QStringLiteral("%1 tiles").arg(RomLayout::kTileCount));
}

} // namespace Commands
