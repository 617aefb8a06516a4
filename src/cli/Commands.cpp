// Picking the command from the first argument, and the tool's overall help.
#include "Commands.h"

#include "CommandSupport.h"

#include <array>

namespace Commands {
namespace {

struct Entry
{
    const char *name;
    const char *summary;
    Outcome (*run)(const QStringList &);
};

const std::array<Entry, 9> kCommands = { {
    { "info", "size, title, checksums, CRC32 and SHA-1 of an image", info },
    { "render", "draw one level, or all of them, as a PNG", render },
    { "tiles", "draw the 256 tiles as a PNG, or write them back from one", tiles },
    { "export", "write levels as text", exportLevels },
    { "import", "write levels from text back into an image", importLevels },
    { "diff", "list the level cells that differ between two images", diff },
    { "patch", "make or apply an IPS or BPS patch", patch },
    { "checksum", "check or fix the header and global checksums", checksum },
    { "stats", "count how often each tile is used", stats },
} };

QByteArray overallHelp()
{
    QByteArray text = "Usage: dorrik-tool COMMAND [options] [arguments]\n"
                      "Works on Pebblefen ROM images from the command line.\n\nCommands:\n";
    for (const Entry &entry : kCommands)
        text += QByteArray("  ") + QByteArray(entry.name).leftJustified(10) + entry.summary + '\n';
    text += "\n\"dorrik-tool COMMAND --help\" describes a command. Exit status: 0 done, "
            "1 differences found (diff, checksum), 2 error.\n";
    return text;
}

} // namespace

Outcome run(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return { kExitError, {}, QStringLiteral("no command given (see \"dorrik-tool --help\")") };
    const QString &name = arguments.front();
    if (name == QLatin1String("--help") || name == QLatin1String("-h"))
        return CommandSupport::success(overallHelp());
    if (name == QLatin1String("help")) {
        if (arguments.size() == 1)
            return CommandSupport::success(overallHelp());
        return run({ arguments.at(1), QStringLiteral("--help") });
    }
    for (const Entry &entry : kCommands) {
        if (name == QLatin1String(entry.name))
            return entry.run(arguments.mid(1));
    }
    return CommandSupport::failure(
        QStringLiteral("unknown command \"%1\" (see \"dorrik-tool --help\")").arg(name));
}

} // namespace Commands
