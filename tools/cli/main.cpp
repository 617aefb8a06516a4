// dorrik-tool: the command-line companion of the editor, for scripts and version control.
#include "CommandSupport.h"
#include "Commands.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(CommandSupport::kProgram);
    // The version comes from the build, which takes it from the project's one version number.
    if (QCoreApplication::arguments().value(1) == QLatin1String("--version")) {
        std::printf("%s %s\n", qPrintable(CommandSupport::kProgram), DORRIK_VERSION);
        return std::fflush(stdout) == 0 ? Commands::kExitOk : Commands::kExitError;
    }
    const Commands::Outcome outcome = Commands::run(QCoreApplication::arguments().mid(1));
    // A write that fails part-way leaves nothing for fflush to report, so the stream's error
    // flag is asked as well: a full disk under `> file` must not pass for success.
    const auto size = static_cast<std::size_t>(outcome.output.size());
    const bool written
        = size == 0 || std::fwrite(outcome.output.constData(), 1, size, stdout) == size;
    if ((!written || std::fflush(stdout) != 0 || std::ferror(stdout))
        && outcome.exitCode != Commands::kExitError) {
        std::fprintf(stderr, "%s: cannot write the output\n", qPrintable(CommandSupport::kProgram));
        return Commands::kExitError;
    }
    if (!outcome.error.isEmpty())
        std::fprintf(stderr, "%s: %s\n", qPrintable(CommandSupport::kProgram),
                     outcome.error.toLocal8Bit().constData());
    return outcome.exitCode;
}
