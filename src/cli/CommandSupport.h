// What the commands share: parsing their command line, reading images, naming levels.
#pragma once

#include "Outcome.h"
#include "base/Status.h"
#include "rom/CartridgeHeader.h"
#include "rom/LevelMap.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QImage>
#include <QString>

#include <optional>

namespace CommandSupport {

inline const QString kProgram = QStringLiteral("dorrik-tool");

Commands::Outcome failure(const QString &reason);
Commands::Outcome success(QByteArray output);

// "FILE: reason", for errors about one file.
QString aboutFile(const QString &path, const QString &reason);

// One command's command line: its usage line, its description and a --help option.
class CommandParser
{
public:
    // usage lists the arguments after the command's name, e.g. "IMAGE LEVEL -o FILE.png".
    CommandParser(const QString &command, const QString &usage, const QString &description);

    QCommandLineParser &parser() { return m_parser; }

    // Parses arguments (those after the command's name). Returns an outcome when the command
    // is done already: help was asked for, an option is unknown, or the number of positional
    // arguments lies outside minimum .. maximum (maximum -1: no limit).
    std::optional<Commands::Outcome> parse(const QStringList &arguments, int minimum, int maximum);

    QString helpText() const;

    // A failure that also points at the command's help.
    Commands::Outcome usageError(const QString &reason) const;

private:
    QString m_command;
    QString m_usage;
    QCommandLineParser m_parser;
};

// Reads a whole file, naming it in the error.
Status loadFile(const QString &path, QByteArray &bytes);

// Checks that an image read whole holds every level (and the tiles before them).
Status checkLevelImage(const QString &path, const QByteArray &image);

// Reads a whole image that must hold every level (and the tiles before them).
Status loadLevelImage(const QString &path, QByteArray &image);

// A level number as typed on the command line: 1 .. 46.
Status parseLevel(const QString &text, int &level);

// A --scale value: 1 .. Render::kMaxScale.
Status parseScale(const QString &text, int &scale);

// The map of a level in an image held in memory; the image holds every level.
LevelMap levelAt(const QByteArray &image, int level);

// The options of the commands that draw a PNG: -o FILE (required) and --scale N.
inline const QString kOutputOption = QStringLiteral("output");
inline const QString kScaleOption = QStringLiteral("scale");
void addPictureOptions(QCommandLineParser &parser, const QString &defaultScale);

// The checks every picture command makes before it reads the image: the output is named, is
// not the image (the first positional argument), and the scale is valid.
Status checkPictureOptions(CommandParser &command, int defaultScale, int &scale);

// Writes the picture as PNG and says so, with its size and what it shows.
Commands::Outcome writePicture(const QString &path, const QImage &picture, const QString &what);

// A checksum's state for the reader: "0x1C valid", "0x00 INVALID, should be 0xD7", and what a
// fix would set if that is something else.
QString describeCheck(const CartridgeHeader::Check &check, int digits);

} // namespace CommandSupport
