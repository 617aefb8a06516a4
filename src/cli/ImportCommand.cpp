// "import": levels as text written back into an image.
#include "CommandSupport.h"
#include "Commands.h"
#include "os/WholeFile.h"
#include "rom/LevelAccess.h"
#include "rom/LevelText.h"

#include <QFileInfo>

#include <algorithm>

using namespace CommandSupport;

namespace Commands {

Commands::Outcome importLevels(const QStringList &arguments)
{
    CommandParser command(
        QStringLiteral("import"), QStringLiteral("IMAGE FILE"),
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
