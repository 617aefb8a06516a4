// "checksum": checking the cartridge header's two checksums, and setting them with --fix.
#include "CommandSupport.h"
#include "Commands.h"
#include "base/Hex.h"
#include "os/FileAccess.h"
#include "rom/CartridgeHeader.h"

using namespace CommandSupport;

namespace Commands {
namespace {

QString report(const char *name, const CartridgeHeader::Check &check, int digits)
{
    return QStringLiteral("%1 checksum: %2\n")
        .arg(QLatin1String(name), describeCheck(check, digits));
}

} // namespace

Commands::Outcome checksum(const QStringList &arguments)
{
    CommandParser command(QStringLiteral("checksum"), QStringLiteral("IMAGE [--fix]"),
                          QStringLiteral("Checks the header checksum (byte 0x14D) and the global "
                                         "checksum (0x14E..0x14F). Exit status 0 if both are "
                                         "valid, 1 if not. With --fix, sets both; no other byte "
                                         "changes."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("IMAGE"), QStringLiteral("The ROM image."));
    const QString fix = QStringLiteral("fix");
    parser.addOption({ fix, QStringLiteral("Write the correct checksums into IMAGE.") });
    if (auto done = command.parse(arguments, 1, 1))
        return *done;
    const QString path = parser.positionalArguments().at(0);
    QByteArray image;
    if (Status loaded = loadFile(path, image); !loaded)
        return failure(loaded.error);
    if (!CartridgeHeader::hasHeader(image))
        return failure(aboutFile(path,
                                 QStringLiteral("the image is %1 bytes long, too short for "
                                                "a cartridge header (%2 bytes)")
                                     .arg(image.size())
                                     .arg(Hex::number(CartridgeHeader::kHeaderEnd, 3))));
    const CartridgeHeader::Check header = CartridgeHeader::headerChecksum(image);
    const CartridgeHeader::Check global = CartridgeHeader::globalChecksum(image);
    QString text = report("header", header, 2) + report("global", global, 4);
    const bool valid = header.valid() && global.valid();
    if (!parser.isSet(fix))
        return { valid ? Commands::kExitOk : Commands::kExitDiffers, text.toUtf8(), {} };
    if (valid)
        return success((text + QStringLiteral("nothing to fix\n")).toUtf8());

    CartridgeHeader::fix(image);
    const qsizetype first = CartridgeHeader::kHeaderChecksumAt;
    const qsizetype length = CartridgeHeader::kGlobalChecksumAt + 2 - first;
    const auto bytes = reinterpret_cast<const std::uint8_t *>(image.constData() + first);
    // Only the checksum bytes are written, in place: the rest of the image is not rewritten.
    if (Status written = FileAccess::writeAt(
            path, first, { bytes, static_cast<std::size_t>(length) }, FileAccess::Flush::ToDisk);
        !written)
        return failure(aboutFile(path, written.error));
    text += QStringLiteral("fixed: header checksum %1, global checksum %2\n")
                .arg(Hex::number(CartridgeHeader::headerChecksum(image).stored, 2),
                     Hex::number(CartridgeHeader::globalChecksum(image).stored, 4));
    return success(text.toUtf8());
}

} // namespace Commands
