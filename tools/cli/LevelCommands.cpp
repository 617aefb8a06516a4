// "export" and "import": levels as text out of an image and back into it.
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
    CommandLine command(QStringLiteral("export"), QStringLiteral("IMAGE [LEVEL...] [-o FILE]"),
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

Commands::Outcome importLevels(const QStringList &arguments)
{
    CommandLine command(QStringLiteral("import"), QStringLiteral("IMAGE FILE"),
                        QStringLiteral("Writes the levels in FILE (text as export writes it) into "
                                       "IMAGE. The whole text is checked first and nothing is "
                                       "written if any of it is wrong; then each changed level "
                                       "is written in one piece, and no other byte of IMAGE "
                                       "changes."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("IMAGE"),
                                 QStringLiteral("The ROM image to change."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The level text."));
    if (auto done = command.parse(arguments, 2, 2))
        return *done;
    const QString imagePath = parser.positionalArguments().at(0);
    const QString textPath = parser.positionalArguments().at(1);

    QByteArray text;
    if (Status loaded = loadFile(textPath, text); !loaded)
        return failure(loaded.error);
    QList<LevelText::Level> levels;
    LevelText::ParseError error;
    if (!LevelText::parse(text, levels, error))
        return failure(QStringLiteral("%1:%2:%3: %4")
                           .arg(textPath, QString::number(error.line),
                                QString::number(error.column), error.reason));
    QByteArray image;
    if (Status loaded = loadLevelImage(imagePath, image); !loaded)
        return failure(loaded.error);

    QStringList changed;
    for (const LevelText::Level &level : levels) {
        if (levelAt(image, level.number) == level.map)
            continue;
        // WriteLevel checks the image still reaches the level's end before its single write.
        Status written
            = LevelAccess::WriteLevel(imagePath, RomLayout::levelOffset(level.number), level.map);
        if (!written) {
            QString reason
                = QStringLiteral("writing level %1: %2").arg(level.number).arg(written.error);
            if (!changed.isEmpty())
                reason += QStringLiteral(" (levels %1 were written before it)")
                              .arg(changed.join(u", "));
            return failure(aboutFile(imagePath, reason));
        }
        changed.append(QString::number(level.number));
    }
    QString report = QStringLiteral("read %1 level%2 from %3; ")
                         .arg(levels.size())
                         .arg(levels.size() == 1 ? "" : "s", QFileInfo(textPath).fileName());
    if (changed.isEmpty())
        report += QStringLiteral("none differ from %1, nothing written\n")
                      .arg(QFileInfo(imagePath).fileName());
    else
        report += QStringLiteral("wrote %1 changed level%2 into %3: %4\n")
                      .arg(changed.size())
                      .arg(changed.size() == 1 ? "" : "s", QFileInfo(imagePath).fileName(),
                           changed.join(u", "));
    return success(report.toUtf8());
}

} // namespace Commands
