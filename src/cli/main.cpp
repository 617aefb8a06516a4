// dorrik-tool: the command-line companion of the editor, for scripts and version control.
#include "CommandSupport.h"
#include "Commands.h"
#include "os/Console.h"

#include <QCoreApplication>

namespace {

void sayError(const QString &text)
{
    Console::write(
        Console::Stream::Error,
        (CommandSupport::kProgram + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(CommandSupport::kProgram);
    // The version comes from the build, which takes it from the project's one version number.
    if (QCoreApplication::arguments().value(1) == QLatin1String("--version")) {
        const QByteArray version = CommandSupport::kProgram.toUtf8() + " " DORRIK_VERSION "\n";
        return Console::write(Console::Stream::Output, version) ? Commands::kExitOk
                                                                : Commands::kExitError;
    }
    const Commands::Outcome outcome = Commands::run(QCoreApplication::arguments().mid(1));
    // A command that fails says why on its own; one that succeeded but whose output could not
    // be written (a full disk under "> file") must not pass for success.
    const Status written = Console::write(Console::Stream::Output, outcome.output);
    if (!written && outcome.exitCode != Commands::kExitError) {
        sayError(QStringLiteral("cannot write the output: ") + written.error);
        return Commands::kExitError;
    }
    if (!outcome.error.isEmpty())
        sayError(outcome.error);
    return outcome.exitCode;
}
