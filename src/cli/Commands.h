// The tool's commands: each takes its arguments and returns what to print and the exit code.
#pragma once

#include "Outcome.h"

#include <QStringList>

namespace Commands {

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
