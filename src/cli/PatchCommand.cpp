// "patch make", "patch apply", "patch changes" and "patch combine": sharing an edit as an IPS or
// BPS patch, saying what one changes, and putting several together.
#include "CommandSupport.h"
#include "Commands.h"
#include "os/WholeFile.h"
#include "patch/Bps.h"
#include "patch/Ips.h"
#include "patch/Patch.h"
#include "rom/ImageChanges.h"
#include "rom/ImageMerge.h"

#include <QFileInfo>

#include <algorithm>

using namespace CommandSupport;

namespace Commands {
namespace {

const QString kOutput = QStringLiteral("output");
const QString kBrief = QStringLiteral("brief");
const QString kLimits = QStringLiteral(
    "Files over 64 MiB, an IPS patch among them, are refused, and so is a BPS patch whose result "
    "would be over 256 MiB.");

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

// The format an output's name asks for: "ips", "bps", or "" for neither.
QString patchFormatOf(const QString &output)
{
    const QString suffix = QFileInfo(output).suffix().toLower();
    return suffix == QLatin1String("ips") || suffix == QLatin1String("bps") ? suffix : QString();
}

// A patch from original to edited in the format an output's name asked for.
Status makePatch(const QString &format, const QByteArray &original, const QByteArray &edited,
                 QByteArray &patch)
{
    return format == QLatin1String("ips") ? Ips::make(original, edited, patch)
                                          : Bps::make(original, edited, patch);
}

// Reads ORIGINAL and applies PATCH to it, naming the file at fault.
Status loadPatched(const QString &patchPath, const QByteArray &original, QByteArray &patched)
{
    QByteArray patch;
    if (Status loaded = loadFile(patchPath, patch); !loaded)
        return loaded;
    if (Status applied = Patch::apply(original, patch, patched); !applied)
        return Status::failure(aboutFile(patchPath, applied.error));
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
    const QString format = patchFormatOf(output);
    if (format.isEmpty())
        return failure(aboutFile(output, QStringLiteral("the name must end in .ips or .bps")));

    QByteArray original, edited, patch;
    if (Status loaded = loadFile(inputs.at(0), original); !loaded)
        return failure(loaded.error);
    if (Status loaded = loadFile(inputs.at(1), edited); !loaded)
        return failure(loaded.error);
    const Status made = makePatch(format, original, edited, patch);
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
                                         "another image is refused. ")
                              + kLimits);
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

    QByteArray original, patched;
    if (Status loaded = loadFile(inputs.at(0), original); !loaded)
        return failure(loaded.error);
    if (Status loaded = loadPatched(inputs.at(1), original, patched); !loaded)
        return failure(loaded.error);
    if (Status saved = WholeFile::save(output, patched); !saved)
        return failure(aboutFile(output, saved.error));
    return success(QStringLiteral("wrote %1 (%2 bytes)\n")
                       .arg(output, QString::number(patched.size()))
                       .toUtf8());
}

Commands::Outcome changes(const QStringList &arguments)
{
    CommandParser command(
        QStringLiteral("patch changes"), QStringLiteral("ORIGINAL PATCH [--brief]"),
        QStringLiteral("Applies an IPS or BPS patch to ORIGINAL in memory, with patch apply's "
                       "checks, and lists what it changes, one line each: every level it changes "
                       "with its cells (\"level 12: 2 cells: (3,4) 1A->2B, (5,4) 00->1A\", "
                       "columns 0..19, rows 0..16), the tiles whose graphics change (\"tiles "
                       "2F-31, 40\"), the header fields by name (\"header: title, header "
                       "checksum\"), other bytes as ranges (\"bytes 0x3F000-0x3F0FF (256 "
                       "bytes)\"), and a change of size (\"size 131072 -> 262144 bytes\"); or "
                       "\"no changes\". ")
            + kLimits);
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("ORIGINAL"),
                                 QStringLiteral("The image the patch is for."));
    parser.addPositionalArgument(QStringLiteral("PATCH"),
                                 QStringLiteral("The .ips or .bps patch."));
    parser.addOption({ kBrief, QStringLiteral("Count each level's cells without listing them.") });
    if (auto done = command.parse(arguments, 2, 2))
        return *done;
    const QStringList inputs = parser.positionalArguments();
    QByteArray original, patched;
    if (Status loaded = loadFile(inputs.at(0), original); !loaded)
        return failure(loaded.error);
    if (Status loaded = loadPatched(inputs.at(1), original, patched); !loaded)
        return failure(loaded.error);
    const QStringList lines
        = ImageChanges::listing(ImageChanges::compare(original, patched), parser.isSet(kBrief));
    return success((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
}

Commands::Outcome combine(const QStringList &arguments)
{
    CommandParser command(
        QStringLiteral("patch combine"), QStringLiteral("ORIGINAL PATCH... -o OUTPUT"),
        QStringLiteral("Applies each IPS or BPS patch to ORIGINAL on its own, with patch apply's "
                       "checks, and puts the results together. Patches that set a byte to the "
                       "same value agree; patches that set it differently collide, and so do "
                       "patches that change the size differently (one that changes it beside "
                       "others that keep it does not). The header and global checksums never "
                       "collide: when a patch changes either, the combined image gets both set "
                       "right. Collisions are listed one a line, as patch changes names places "
                       "(\"level 12 (3,4): a.ips sets 1A, b.bps sets 2B\", \"tile 2F: a.ips and "
                       "b.bps both change its graphics\"), and nothing is written. Otherwise "
                       "OUTPUT is the combined image or, when its name ends in .ips or .bps, a "
                       "patch from ORIGINAL to it. The order of the patches changes nothing. ")
            + kLimits);
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("ORIGINAL"),
                                 QStringLiteral("The image the patches are for."));
    parser.addPositionalArgument(QStringLiteral("PATCH..."),
                                 QStringLiteral("The .ips or .bps patches."));
    addOutput(parser,
              QStringLiteral("Write the combined image, or a patch to it (.ips, .bps), to FILE "
                             "(required)."));
    if (auto done = command.parse(arguments, 2, -1))
        return *done;
    const QStringList inputs = parser.positionalArguments();
    if (Status checked = checkOutput(parser, inputs); !checked)
        return failure(checked.error);
    const QString output = parser.value(kOutput);

    // The patches in the order of their names, so that the listing reads the same whatever
    // order they were given in.
    QStringList patches = inputs.mid(1);
    std::sort(patches.begin(), patches.end());
    QByteArray original;
    if (Status loaded = loadFile(inputs.at(0), original); !loaded)
        return failure(loaded.error);
    QList<QByteArray> edited(patches.size());
    for (qsizetype i = 0; i < patches.size(); ++i) {
        if (Status loaded = loadPatched(patches.at(i), original, edited[i]); !loaded)
            return failure(loaded.error);
    }

    const ImageMerge::Result merged = ImageMerge::merge(original, edited);
    if (!merged.collisions.isEmpty()) {
        QByteArray listing;
        for (const ImageMerge::Collision &collision : merged.collisions)
            listing += ImageMerge::describe(collision, patches).toUtf8() + '\n';
        const qsizetype count = merged.collisions.size();
        return { Commands::kExitError, listing,
                 aboutFile(output,
                           QStringLiteral("not written: the patches collide in %1 "
                                          "place%2")
                               .arg(count)
                               .arg(count == 1 ? "" : "s")) };
    }

    QString text = QStringLiteral("combined %1 patch%2")
                       .arg(patches.size())
                       .arg(patches.size() == 1 ? "" : "es");
    if (merged.checksumsFixed)
        text += QStringLiteral("; header and global checksums set for the combined image");
    text += QLatin1Char('\n');
    const QString format = patchFormatOf(output);
    QByteArray written = merged.image;
    if (!format.isEmpty()) {
        const Status made = makePatch(format, original, merged.image, written);
        if (!made)
            return failure(aboutFile(output, made.error));
    }
    if (Status saved = WholeFile::save(output, written); !saved)
        return failure(aboutFile(output, saved.error));
    text += format.isEmpty()
        ? QStringLiteral("wrote %1 (%2 bytes)\n").arg(output).arg(written.size())
        : QStringLiteral("wrote %1 (%2 patch, %3 bytes)\n")
              .arg(output, format.toUpper())
              .arg(written.size());
    return success(text.toUtf8());
}

QByteArray help()
{
    return "Usage: dorrik-tool patch make ORIGINAL EDITED -o FILE.ips|FILE.bps\n"
           "       dorrik-tool patch apply ORIGINAL PATCH -o OUTPUT\n"
           "       dorrik-tool patch changes ORIGINAL PATCH [--brief]\n"
           "       dorrik-tool patch combine ORIGINAL PATCH... -o OUTPUT\n"
           "Makes and applies IPS and BPS patches, lists what a patch changes level by level, "
           "and puts several patches together, naming where they collide; \"dorrik-tool patch "
           "COMMAND --help\" tells more.\n"
           "Limits: patch apply, changes and combine refuse IPS patches (and images) over 64 "
           "MiB and BPS patches whose result would be over 256 MiB.\n";
}

} // namespace

Commands::Outcome patch(const QStringList &arguments)
{
    const QString what = arguments.value(0);
    if (what == QLatin1String("make"))
        return make(arguments.mid(1));
    if (what == QLatin1String("apply"))
        return apply(arguments.mid(1));
    if (what == QLatin1String("changes"))
        return changes(arguments.mid(1));
    if (what == QLatin1String("combine"))
        return combine(arguments.mid(1));
    if (what == QLatin1String("--help") || what == QLatin1String("-h"))
        return success(help());
    return failure(
        QStringLiteral(
            "patch: expected \"make\", \"apply\", \"changes\" or \"combine\"%1 (see \"%2 patch "
            "--help\")")
            .arg(what.isEmpty() ? QString() : QStringLiteral(", not \"%1\"").arg(what), kProgram));
}

} // namespace Commands
