// The shared command-line handling, image reading and level lookup of the commands.
#include "CommandSupport.h"

#include "base/Hex.h"
#include "os/WholeFile.h"
#include "picture/PngFile.h"
#include "picture/Render.h"

#include <cstring>

namespace CommandSupport {

Commands::Outcome failure(const QString &reason)
{
    return { Commands::kExitError, {}, reason };
}

Commands::Outcome success(QByteArray output)
{
    return { Commands::kExitOk, std::move(output), {} };
}

QString aboutFile(const QString &path, const QString &reason)
{
    return path + QStringLiteral(": ") + reason;
}

CommandParser::CommandParser(const QString &command, const QString &usage,
                             const QString &description)
    : m_command(command)
    , m_usage(usage)
{
    m_parser.setApplicationDescription(description);
    m_parser.addOption(
        { { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Shows this help.") });
}

std::optional<Commands::Outcome> CommandParser::parse(const QStringList &arguments, int minimum,
                                                      int maximum)
{
    if (!m_parser.parse(QStringList { kProgram } + arguments))
        return usageError(m_parser.errorText());
    if (m_parser.isSet(QStringLiteral("help")))
        return success(helpText().toUtf8());
    const qsizetype count = m_parser.positionalArguments().size();
    if (count < minimum)
        return usageError(QStringLiteral("too few arguments"));
    if (maximum >= 0 && count > maximum)
        return usageError(QStringLiteral("unexpected argument \"%1\"")
                              .arg(m_parser.positionalArguments().at(maximum)));
    return std::nullopt;
}

QString CommandParser::helpText() const
{
    // QCommandLineParser names the running binary in its usage line; the command's own usage
    // is clearer, and the same in tests as in a shell.
    QString text = m_parser.helpText();
    const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
    text.replace(0, firstLineEnd,
                 QStringLiteral("Usage: %1 %2 %3").arg(kProgram, m_command, m_usage));
    return text;
}

Commands::Outcome CommandParser::usageError(const QString &reason) const
{
    return failure(
        QStringLiteral("%1: %2 (see \"%3 %1 --help\")").arg(m_command, reason, kProgram));
}

Status loadFile(const QString &path, QByteArray &bytes)
{
    Status result = WholeFile::load(path, bytes);
    if (!result)
        result.error = aboutFile(path, result.error);
    return result;
}

Status checkLevelImage(const QString &path, const QByteArray &image)
{
    if (image.size() < RomLayout::kLevelRegionEnd)
        return Status::failure(
            aboutFile(path,
                      QStringLiteral("the image is %1 bytes long, too short to hold all %2 levels "
                                     "(they end at byte %3)")
                          .arg(image.size())
                          .arg(RomLayout::kLevelCount)
                          .arg(Hex::number(RomLayout::kLevelRegionEnd - 1, 5))));
    return {};
}

Status loadLevelImage(const QString &path, QByteArray &image)
{
    QByteArray bytes;
    if (Status result = loadFile(path, bytes); !result)
        return result;
    if (Status result = checkLevelImage(path, bytes); !result)
        return result;
    image = std::move(bytes);
    return {};
}

Status parseLevel(const QString &text, int &level)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok || number < 1 || number > RomLayout::kLevelCount)
        return Status::failure(
            QStringLiteral("\"%1\" is no level number; levels are numbered 1 to %2")
                .arg(text)
                .arg(RomLayout::kLevelCount));
    level = number;
    return {};
}

Status parseScale(const QString &text, int &scale)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok || number < 1 || number > Render::kMaxScale)
        return Status::failure(QStringLiteral("\"%1\" is no scale; use a whole number from 1 to %2")
                                   .arg(text)
                                   .arg(Render::kMaxScale));
    scale = number;
    return {};
}

LevelMap levelAt(const QByteArray &image, int level)
{
    LevelMap map;
    Q_ASSERT(image.size() >= RomLayout::levelOffset(level) + RomLayout::kLevelBytes);
    std::memcpy(map.bytes().data(), image.constData() + RomLayout::levelOffset(level),
                map.bytes().size());
    return map;
}

void addPictureOptions(QCommandLineParser &parser, const QString &defaultScale)
{
    parser.addOption({ { QStringLiteral("o"), kOutputOption },
                       QStringLiteral("Write the PNG picture to FILE (required)."),
                       QStringLiteral("FILE") });
    parser.addOption({ kScaleOption,
                       QStringLiteral("Draw each tile pixel as N x N pixels, 1 to %1 (default %2).")
                           .arg(Render::kMaxScale)
                           .arg(defaultScale),
                       QStringLiteral("N") });
}

Status checkPictureOptions(CommandParser &command, int defaultScale, int &scale)
{
    QCommandLineParser &parser = command.parser();
    if (!parser.isSet(kOutputOption))
        return Status::failure(QStringLiteral("no output: add -o FILE.png"));
    scale = defaultScale;
    if (parser.isSet(kScaleOption)) {
        if (Status parsed = parseScale(parser.value(kScaleOption), scale); !parsed)
            return parsed;
    }
    const QString path = parser.positionalArguments().at(0);
    if (WholeFile::sameFile(parser.value(kOutputOption), path))
        return Status::failure(aboutFile(
            path, QStringLiteral("is the image being drawn; write the picture to another file")));
    return {};
}

Commands::Outcome writePicture(const QString &path, const QImage &picture, const QString &what)
{
    if (Status saved = PngFile::save(path, picture); !saved)
        return failure(aboutFile(path, saved.error));
    return success(
        QStringLiteral("wrote %1 (%2 x %3 pixels): %4\n")
            .arg(path, QString::number(picture.width()), QString::number(picture.height()), what)
            .toUtf8());
}

QString describeCheck(const CartridgeHeader::Check &check, int digits)
{
    QString text = Hex::number(check.stored, digits);
    if (check.valid())
        text += QStringLiteral(" valid");
    else
        text += QStringLiteral(" INVALID, should be ") + Hex::number(check.computed, digits);
    if (check.fixed != check.computed)
        text += QStringLiteral(" (%1 once the header checksum is fixed)")
                    .arg(Hex::number(check.fixed, digits));
    return text;
}

} // namespace CommandSupport
