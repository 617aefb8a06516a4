// What a command of the tool made of its arguments, and the tool's exit codes.
#pragma once

#include <QByteArray>
#include <QString>

namespace Commands {

inline constexpr int kExitOk = 0;
inline constexpr int kExitDiffers = 1; // diff found changes, checksum found a wrong one
inline constexpr int kExitError = 2;

// What a command made of its arguments. Commands print nothing themselves, so that they can
// be run and checked inside a test; main() prints output to stdout and error to stderr.
struct Outcome
{
    int exitCode = kExitOk;
    QByteArray output;
    QString error; // without the program's name in front
};

} // namespace Commands
