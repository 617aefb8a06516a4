// The image path the editor is started with, read from the command line before Qt sees it.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace CommandLine {

// The words after the program's name, as the system hands them to the program: on Linux the
// arguments one by one, on Windows the whole text after the name in one piece (Windows passes
// one string, and splitting it at spaces and quotes would change a path the user typed). The
// editor joins and unquotes them.
QStringList arguments(int argc, char *argv[]);

// A Windows command line without the program's name and the blanks after it: the name ends at
// its closing quote when it starts with one, else at the first blank. Kept apart from the
// system call so that every platform can test it.
QString afterProgramName(QStringView commandLine);

} // namespace CommandLine
