// "export": levels as text out of an image, for diffs, version control and hand edits.
#include "CommandSupport.h"
#include "Commands.h"
#include "os/WholeFile.h"
#include "rom/LevelAccess.h"
#include "rom/LevelText.h"

#include <QFileInfo>

#include <algorithm>

using namespace CommandSupport;

namespace Commands {

Commands::Outcome exportLevels(const QStringList &arguments)
{
    CommandParser command(QStringLiteral("export"), QStringLiteral("IMAGE [LEVEL...] [-o FILE]"),
                          QStringLiteral("Writes levels as text: a line \"level N\", then 17 rows "
                                         "of 20 tile numbers in hex, then a blank line. All levels "
                                         "unless some are named; to standard output unless -o."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("IMAGE"), QStringLiteral("The ROM image."));
    parser.addPositionalArgument(QStringLiteral("LEVEL"),
                                 QStringLiteral("A level to export, 1 to 46."),
                                 QStringLiteral("[LEVEL...]"));
    const QString output = QStringLiteral("output");
    parser.addOption({ { QStringLiteral("o"), output },
                       QStringLiteral("Write the text to FILE."),
                       QStringLiteral("FILE") });
    if (auto done = command.parse(arguments, 1, -1))
        return *done;

    const QStringList positional = parser.positionalArguments();
    QList<int> numbers;
    for (const QString &text : positional.mid(1)) {
        int level = 0;
        if (Status parsed = parseLevel(text, level); !parsed)
            return failure(parsed.error);
        numbers.append(level);
    }
    if (numbers.isEmpty()) {
        for (int level = 1; level <= RomLayout::kLevelCount; ++level)
            numbers.append(level);
    }
    // In image order and once each, as import expects them.
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());

    QByteArray image;
    if (Status loaded = loadLevelImage(positional.at(0), image); !loaded)
        return failure(loaded.error);
    QList<LevelText::Level> levels;
    for (const int level : numbers)
        levels.append({ level, levelAt(image, level) });
    QByteArray text = LevelText::format(levels);
    if (!parser.isSet(output))
        return success(std::move(text));
    const QString path = parser.value(output);
    if (WholeFile::sameFile(path, positional.at(0)))
        return failure(aboutFile(path, QStringLiteral("will not overwrite the image with text")));
    if (Status saved = WholeFile::save(path, text); !saved)
        return failure(aboutFile(path, saved.error));
    return success(QStringLiteral("wrote %1 level%2 to %3\n")
                       .arg(levels.size())
                       .arg(levels.size() == 1 ? "" : "s", path)
                       .toUtf8());
}

} // namespace Commands
