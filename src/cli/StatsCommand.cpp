// "stats": how often each tile number is used, in one level or over all of them.
#include "CommandSupport.h"
#include "Commands.h"
#include "base/Hex.h"

#include <array>

using namespace CommandSupport;

namespace Commands {

Commands::Outcome stats(const QStringList &arguments)
{
    CommandParser command(QStringLiteral("stats"), QStringLiteral("IMAGE [LEVEL]"),
                          QStringLiteral("Counts how often each tile number is used in the cells "
                                         "of LEVEL, or of all levels; tiles that are not used are "
                                         "left out."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("IMAGE"), QStringLiteral("The ROM image."));
    parser.addPositionalArgument(QStringLiteral("LEVEL"), QStringLiteral("One level, 1 to 46."),
                                 QStringLiteral("[LEVEL]"));
    if (auto done = command.parse(arguments, 1, 2))
        return *done;
    const QStringList positional = parser.positionalArguments();
    int first = 1;
    int last = RomLayout::kLevelCount;
    if (positional.size() == 2) {
        if (Status parsed = parseLevel(positional.at(1), first); !parsed)
            return failure(parsed.error);
        last = first;
    }
    QByteArray image;
    if (Status loaded = loadLevelImage(positional.at(0), image); !loaded)
        return failure(loaded.error);

    std::array<int, RomLayout::kTileCount> uses {};
    for (int level = first; level <= last; ++level) {
        const LevelMap map = levelAt(image, level);
        for (const std::uint8_t tile : map.bytes())
            ++uses[tile];
    }
    const int cells = (last - first + 1) * RomLayout::kLevelBytes;
    int distinct = 0;
    QString text = QStringLiteral("tile  uses  share\n");
    for (int tile = 0; tile < RomLayout::kTileCount; ++tile) {
        if (uses[tile] == 0)
            continue;
        ++distinct;
        text += QStringLiteral("%1  %2  %3%\n")
                    .arg(Hex::digits(tile, 2), QString::number(uses[tile]).rightJustified(5),
                         QString::number(100.0 * uses[tile] / cells, 'f', 1).rightJustified(5));
    }
    text += QStringLiteral("%1 different tiles in %2 cells of %3\n")
                .arg(distinct)
                .arg(cells)
                .arg(first == last ? QStringLiteral("level %1").arg(first)
                                   : QStringLiteral("all %1 levels").arg(RomLayout::kLevelCount));
    return success(text.toUtf8());
}

} // namespace Commands
