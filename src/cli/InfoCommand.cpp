// "info": what an image is: size, title, checksums, CRC32, SHA-1, and whether it holds the levels.
#include "CommandSupport.h"
#include "Commands.h"
#include "base/Hex.h"
#include "os/Crc32.h"
#include "rom/CartridgeHeader.h"

#include <QCryptographicHash>
#include <QFileInfo>

using namespace CommandSupport;

namespace Commands {
namespace {

QString line(const char *label, const QString &value)
{
    return QString::fromLatin1(label).leftJustified(17) + value + QLatin1Char('\n');
}

} // namespace

Commands::Outcome info(const QStringList &arguments)
{
    CommandParser command(QStringLiteral("info"), QStringLiteral("IMAGE"),
                          QStringLiteral("Describes a ROM image: its size, the title in its "
                                         "cartridge header, whether the header and global "
                                         "checksums are valid, its CRC32 and SHA-1, and whether "
                                         "it is long enough to hold all 46 levels."));
    command.parser().addPositionalArgument(QStringLiteral("IMAGE"),
                                           QStringLiteral("The ROM image to describe."));
    if (auto done = command.parse(arguments, 1, 1))
        return *done;
    const QString path = command.parser().positionalArguments().at(0);
    QByteArray image;
    if (Status loaded = loadFile(path, image); !loaded)
        return failure(loaded.error);

    QString text;
    text += line("file:", QFileInfo(path).fileName());
    text += line("size:",
                 QStringLiteral("%1 bytes (%2 KiB)")
                     .arg(image.size())
                     .arg(QString::number(image.size() / 1024.0, 'f', 1)));
    if (CartridgeHeader::hasHeader(image)) {
        text += line("title:", QLatin1Char('"') + CartridgeHeader::title(image) + QLatin1Char('"'));
        text += line("header checksum:", describeCheck(CartridgeHeader::headerChecksum(image), 2));
        text += line("global checksum:", describeCheck(CartridgeHeader::globalChecksum(image), 4));
    } else {
        text += line("header:",
                     QStringLiteral("none (an image needs %1 bytes for one)")
                         .arg(Hex::number(CartridgeHeader::kHeaderEnd, 3)));
    }
    text += line("CRC32:", Hex::number(Crc32::of(image), 8).mid(2));
    text += line(
        "SHA-1:",
        QString::fromLatin1(QCryptographicHash::hash(image, QCryptographicHash::Sha1).toHex()));
    if (image.size() >= RomLayout::kLevelRegionEnd)
        text += line("levels:",
                     QStringLiteral("all %1 (%2 .. %3)")
                         .arg(RomLayout::kLevelCount)
                         .arg(Hex::number(RomLayout::kLevelRegionStart, 5),
                              Hex::number(RomLayout::kLevelRegionEnd - 1, 5)));
    else
        text += line("levels:",
                     QStringLiteral("missing: the image ends before byte %1, where "
                                    "the last level ends")
                         .arg(Hex::number(RomLayout::kLevelRegionEnd - 1, 5)));
    return success(text.toUtf8());
}

} // namespace Commands
