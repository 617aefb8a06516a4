// "render": PNG pictures of a level, or of all levels on one contact sheet.
#include "CommandSupport.h"
#include "Commands.h"
#include "os/FileAccess.h"
#include "picture/Render.h"

using namespace CommandSupport;

namespace Commands {
namespace {

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

} // namespace

Commands::Outcome render(const QStringList &arguments)
{
    CommandParser command(QStringLiteral("render"),
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
    if (Status ready = checkPictureOptions(command, defaultScale, scale); !ready)
        return failure(ready.error);
    QByteArray image;
    if (Status read = readImage(parser.positionalArguments().at(0), image); !read)
        return failure(read.error);
    const QImage sheet = Render::tileSheet(
        QByteArrayView(image).sliced(RomLayout::kTileRegionStart,
                                     RomLayout::kTileCount * RomLayout::kTileBytes),
        scale);
    if (!allLevels)
        return writePicture(parser.value(kOutputOption),
                            Render::level(sheet, levelAt(image, level), scale),
                            QStringLiteral("level %1").arg(level));
    QList<LevelMap> levels;
    for (int number = 1; number <= RomLayout::kLevelCount; ++number)
        levels.append(levelAt(image, number));
    return writePicture(parser.value(kOutputOption), Render::contactSheet(sheet, levels, scale),
                        QStringLiteral("all %1 levels").arg(RomLayout::kLevelCount));
}

} // namespace Commands
