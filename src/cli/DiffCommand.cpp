// "diff": the level cells that differ between two images, and how many other bytes do.
#include "CommandSupport.h"
#include "Commands.h"
#include "base/Hex.h"
#include "rom/ImageDiff.h"

#include <QSet>

using namespace CommandSupport;

namespace Commands {

Commands::Outcome diff(const QStringList &arguments)
{
    CommandParser command(QStringLiteral("diff"), QStringLiteral("A B"),
                          QStringLiteral("Lists every level cell that holds another tile in B than "
                                         "in A, one per line (columns count 0..19 from the left, "
                                         "rows 0..16 from the top), then counts the other bytes "
                                         "that differ, outside the levels, with any difference in "
                                         "length. Exit status 0 if the images are identical, 1 if "
                                         "not."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("A"), QStringLiteral("The first image."));
    parser.addPositionalArgument(QStringLiteral("B"), QStringLiteral("The second image."));
    if (auto done = command.parse(arguments, 2, 2))
        return *done;
    QByteArray a, b;
    if (Status loaded = loadLevelImage(parser.positionalArguments().at(0), a); !loaded)
        return failure(loaded.error);
    if (Status loaded = loadLevelImage(parser.positionalArguments().at(1), b); !loaded)
        return failure(loaded.error);

    const ImageDiff::Differences found = ImageDiff::compare(a, b);
    const auto count = [](qint64 n, const char *thing) {
        return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(thing), n == 1 ? "" : "s");
    };
    QString text;
    QSet<int> levels;
    for (const ImageDiff::CellChange &cell : found.cells) {
        text += QStringLiteral("level %1 column %2 row %3: %4 -> %5\n")
                    .arg(cell.level)
                    .arg(cell.column)
                    .arg(cell.row)
                    .arg(Hex::digits(cell.before, 2), Hex::digits(cell.after, 2));
        levels.insert(cell.level);
    }
    text += QStringLiteral("differing: %1 in %2, %3 outside the levels")
                .arg(count(found.cells.size(), "cell"), count(levels.size(), "level"),
                     count(found.otherBytes, "other byte"));
    if (found.lengthDifference != 0)
        text
            += QStringLiteral(" (%1 of them the difference in length)").arg(found.lengthDifference);
    text += QLatin1Char('\n');
    return { found.none() ? Commands::kExitOk : Commands::kExitDiffers, text.toUtf8(), {} };
}

} // namespace Commands
