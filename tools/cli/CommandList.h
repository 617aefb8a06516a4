// The entry points of the individual commands, which Commands::run picks from.
#pragma once

#include "Commands.h"

#include <QStringList>

namespace CommandList {

Commands::Outcome info(const QStringList &arguments);
Commands::Outcome render(const QStringList &arguments);
Commands::Outcome tiles(const QStringList &arguments);
Commands::Outcome exportLevels(const QStringList &arguments);
Commands::Outcome importLevels(const QStringList &arguments);
Commands::Outcome diff(const QStringList &arguments);
Commands::Outcome patch(const QStringList &arguments);
Commands::Outcome checksum(const QStringList &arguments);
Commands::Outcome stats(const QStringList &arguments);

} // namespace CommandList
