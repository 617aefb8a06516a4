// "patch make" and "patch apply": sharing an edit as an IPS or BPS patch.
#include "CommandSupport.h"
#include "Commands.h"
#include "os/WholeFile.h"
#include "patch/Bps.h"
#include "patch/Ips.h"
#include "patch/Patch.h"

#include <QFileInfo>

using namespace CommandSupport;

namespace Commands {
namespace {

const QString kOutput = QStringLiteral("output");

void addOutput(QCommandLineParser &parser, const QString &description)
{
    parser.addOption({ { QStringLiteral("o"), kOutput }, description, QStringLiteral("FILE") });
}

// The output must be named and must not be one of the inputs, which stay untouched.
Status checkOutput(QCommandLineParser &parser, const QStringList &inputs)
{
    if (!parser.isSet(kOutput))
        return Status::failure(QStringLiteral("no output: add -o FILE"));
    const QString output = parser.value(kOutput);
    for (const QString &input : inputs) {
        if (WholeFile::sameFile(output, input))
            return Status::failure(
                aboutFile(output, QStringLiteral("is also an input; it is never overwritten")));
    }
    return {};
}

Commands::Outcome make(const QStringList &arguments)
{
    CommandParser command(QStringLiteral("patch make"),
                          QStringLiteral("ORIGINAL EDITED -o FILE.ips|FILE.bps"),
                          QStringLiteral("Makes a patch that turns ORIGINAL into EDITED; the "
                                         "output's extension chooses the format. An IPS patch for "
                                         "an EDITED shorter than ORIGINAL carries the new length "
                                         "in three bytes after its EOF marker, which most IPS "
                                         "tools understand. IPS reaches only 16 MiB; BPS has no "
                                         "such limit and also checks, when applied, that it is "
                                         "applied to ORIGINAL."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("ORIGINAL"),
                                 QStringLiteral("The unchanged image."));
    parser.addPositionalArgument(QStringLiteral("EDITED"), QStringLiteral("The changed image."));
    addOutput(parser, QStringLiteral("Write the patch to FILE, ending .ips or .bps (required)."));
    if (auto done = command.parse(arguments, 2, 2))
        return *done;
    const QStringList inputs = parser.positionalArguments();
    if (Status checked = checkOutput(parser, inputs); !checked)
        return failure(checked.error);
    const QString output = parser.value(kOutput);
    const QString format = QFileInfo(output).suffix().toLower();
    if (format != QLatin1String("ips") && format != QLatin1String("bps"))
        return failure(aboutFile(output, QStringLiteral("the name must end in .ips or .bps")));

    QByteArray original, edited, patch;
    if (Status loaded = loadFile(inputs.at(0), original); !loaded)
        return failure(loaded.error);
    if (Status loaded = loadFile(inputs.at(1), edited); !loaded)
        return failure(loaded.error);
    const Status made = format == QLatin1String("ips") ? Ips::make(original, edited, patch)
                                                       : Bps::make(original, edited, patch);
    if (!made)
        return failure(aboutFile(inputs.at(1), made.error));
    if (Status saved = WholeFile::save(output, patch); !saved)
        return failure(aboutFile(output, saved.error));
    return success(QStringLiteral("wrote %1 (%2 patch, %3 bytes)\n")
                       .arg(output, format.toUpper(), QString::number(patch.size()))
                       .toUtf8());
}

Commands::Outcome apply(const QStringList &arguments)
{
    CommandParser command(QStringLiteral("patch apply"), QStringLiteral("ORIGINAL PATCH -o OUTPUT"),
                          QStringLiteral("Applies an IPS or BPS patch (told apart by their first "
                                         "bytes) to ORIGINAL and writes the result to OUTPUT; "
                                         "ORIGINAL is not changed. The patch is checked through "
                                         "before OUTPUT is written, and a BPS patch made for "
                                         "another image is refused. Files over 64 MiB, an IPS "
                                         "patch among them, are refused, and so is a BPS patch "
                                         "whose result would be over 256 MiB."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("ORIGINAL"), QStringLiteral("The image to patch."));
    parser.addPositionalArgument(QStringLiteral("PATCH"),
                                 QStringLiteral("The .ips or .bps patch."));
    addOutput(parser, QStringLiteral("Write the patched image to FILE (required)."));
    if (auto done = command.parse(arguments, 2, 2))
        return *done;
    const QStringList inputs = parser.positionalArguments();
    if (Status checked = checkOutput(parser, inputs); !checked)
        return failure(checked.error);
    const QString output = parser.value(kOutput);

    QByteArray original, patch, patched;
    if (Status loaded = loadFile(inputs.at(0), original); !loaded)
        return failure(loaded.error);
    if (Status loaded = loadFile(inputs.at(1), patch); !loaded)
        return failure(loaded.error);
    if (Status applied = Patch::apply(original, patch, patched); !applied)
        return failure(aboutFile(inputs.at(1), applied.error));
    if (Status saved = WholeFile::save(output, patched); !saved)
        return failure(aboutFile(output, saved.error));
    return success(QStringLiteral("wrote %1 (%2 bytes)\n")
                       .arg(output, QString::number(patched.size()))
                       .toUtf8());
}

QByteArray help()
{
    return "Usage: dorrik-tool patch make ORIGINAL EDITED -o FILE.ips|FILE.bps\n"
           "       dorrik-tool patch apply ORIGINAL PATCH -o OUTPUT\n"
           "Makes and applies IPS and BPS patches; \"dorrik-tool patch make --help\" and "
           "\"dorrik-tool patch apply --help\" tell more.\n"
           "Limits: patch apply refuses IPS patches (and images) over 64 MiB and BPS patches "
           "whose result would be over 256 MiB.\n";
}

} // namespace

Commands::Outcome patch(const QStringList &arguments)
{
    const QString what = arguments.value(0);
    if (what == QLatin1String("make"))
        return make(arguments.mid(1));
    if (what == QLatin1String("apply"))
        return apply(arguments.mid(1));
    if (what == QLatin1String("--help") || what == QLatin1String("-h"))
        return success(help());
    return failure(
        QStringLiteral("patch: expected \"make\" or \"apply\"%1 (see \"%2 patch "
                       "--help\")")
            .arg(what.isEmpty() ? QString() : QStringLiteral(", not \"%1\"").arg(what), kProgram));
}

} // namespace Commands
