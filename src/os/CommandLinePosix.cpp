// The command line on Linux: the arguments as the shell split them, in the locale's encoding.
#include "CommandLine.h"

namespace CommandLine {

QStringList arguments(int argc, char *argv[])
{
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words.append(QString::fromLocal8Bit(argv[i]));
    return words;
}

} // namespace CommandLine
