// The part of reading the command line that is the same everywhere.
#include "CommandLine.h"

namespace CommandLine {

QString afterProgramName(QStringView commandLine)
{
    qsizetype at = 0;
    const auto blank = [&](qsizetype i) {
        return commandLine.at(i) == QLatin1Char(' ') || commandLine.at(i) == QLatin1Char('\t');
    };
    if (!commandLine.isEmpty() && commandLine.front() == QLatin1Char('"')) {
        at = commandLine.indexOf(QLatin1Char('"'), 1);
        at = at < 0 ? commandLine.size() : at + 1;
    }
    while (at < commandLine.size() && !blank(at))
        ++at;
    while (at < commandLine.size() && blank(at))
        ++at;
    QStringView rest = commandLine.sliced(at);
    while (!rest.isEmpty()
           && (rest.back() == QLatin1Char(' ') || rest.back() == QLatin1Char('\t')
               || rest.back() == QLatin1Char('\r') || rest.back() == QLatin1Char('\n')))
        rest.chop(1);
    return rest.toString();
}

} // namespace CommandLine
