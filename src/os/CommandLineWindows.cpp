// The command line on Windows: the system's own UTF-16 text, so that every letter of a path
// survives, taken whole after the program's name.
#include "CommandLine.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace CommandLine {

QStringList arguments(int, char *[])
{
    const QString rest = afterProgramName(QString::fromWCharArray(GetCommandLineW()));
    return rest.isEmpty() ? QStringList() : QStringList { rest };
}

} // namespace CommandLine
