// The tool's commands: each takes its arguments and returns what to print and the exit code.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

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

// Runs the command named by the first argument (the program's name is not included).
Outcome run(const QStringList &arguments);

// The entries of run's table, one a command; each takes the arguments after its name.
Outcome info(const QStringList &arguments);
Outcome render(const QStringList &arguments);
Outcome tiles(const QStringList &arguments);
Outcome exportLevels(const QStringList &arguments);
Outcome importLevels(const QStringList &arguments);
Outcome diff(const QStringList &arguments);
Outcome patch(const QStringList &arguments);
Outcome checksum(const QStringList &arguments);
Outcome stats(const QStringList &arguments);

// "tiles import", which tiles() hands its arguments to when the first of them is "import".
Outcome tilesImport(const QStringList &arguments);

} // namespace Commands
