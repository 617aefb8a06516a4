// Playing a level on Linux: the freedesktop MIME associations read from the user's and the
// system's folders, and the chosen program started on its own, outliving the editor.
#include "DesktopOpen.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

namespace DesktopOpen {
namespace {

const QString kChooseOne
    = QStringLiteral("choose an emulator for them, for instance mGBA, in Debian's mgba-qt.");

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

XdgEnvironment currentEnvironment()
{
    return { QDir::homePath(),
             qEnvironmentVariable("XDG_CONFIG_HOME"),
             qEnvironmentVariable("XDG_CONFIG_DIRS"),
             qEnvironmentVariable("XDG_DATA_HOME"),
             qEnvironmentVariable("XDG_DATA_DIRS"),
             qEnvironmentVariable("XDG_CURRENT_DESKTOP") };
}

// The installed desktop files, one per id: the one in the most preferred folder, which hides
// the others even when its TryExec program is missing and it counts as not installed.
QList<DesktopEntry> installedEntries(const QStringList &folders)
{
    QList<DesktopEntry> entries;
    QSet<QString> seen;
    for (const QString &folder : folders) {
        QStringList paths;
        QDirIterator files(folder, { QStringLiteral("*.desktop") }, QDir::Files,
                           QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (files.hasNext())
            paths << files.next();
        std::sort(paths.begin(), paths.end());
        for (const QString &path : std::as_const(paths)) {
            const QString id = desktopFileId(QDir(folder).relativeFilePath(path));
            if (seen.contains(id))
                continue;
            seen.insert(id);
            DesktopEntry entry = parseDesktopEntry(id, path, readText(path));
            if (entry.tryExec.isEmpty() || !QStandardPaths::findExecutable(entry.tryExec).isEmpty())
                entries << entry;
        }
    }
    return entries;
}

QString canonicalProgram(const QString &program)
{
    const QString found = QStandardPaths::findExecutable(program);
    return found.isEmpty() ? QString() : QFileInfo(found).canonicalFilePath();
}

} // namespace

Status openGameBoyImage(const QString &path)
{
    const XdgEnvironment environment = currentEnvironment();
    QStringList texts;
    for (const QString &list : mimeappsLists(environment))
        texts << readText(list);
    // Without an application object (dorrik-tool, the tests) the running program is unknown,
    // and only the names tell Dorrik apart.
    const QString running = QCoreApplication::instance()
        ? QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath()
        : QString();
    const Choice choice = chooseProgram(
        kGameBoyType, texts, installedEntries(applicationFolders(environment)),
        [&](const DesktopEntry &entry) {
            return isDorrikEntry(entry, canonicalProgram(execWords(entry.exec).value(0)), running);
        });
    switch (choice.outcome) {
    case Outcome::NoProgram:
        return Status::failure(
            QStringLiteral("No program is set to open Game Boy images (.gb files): ") + kChooseOne);
    case Outcome::Dorrik:
        return Status::failure(
            QStringLiteral("Game Boy images (.gb files) open with Dorrik itself: ") + kChooseOne);
    case Outcome::Program:
        break;
    }
    const DesktopEntry &entry = choice.entry;
    const QString name = entry.name.isEmpty() ? entry.id : entry.name;
    QStringList command
        = commandFor(entry, QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    if (command.isEmpty())
        return Status::failure(QStringLiteral("The program for Game Boy images (.gb files), %1, "
                                              "has a command line Dorrik cannot read, in %2.")
                                   .arg(name, entry.location));
    QProcess process;
    process.setProgram(command.takeFirst());
    process.setArguments(command);
    if (process.startDetached())
        return {};
    // Qt puts the system call that failed first ("execv: No such file or directory").
    QString reason = process.errorString();
    const qsizetype colon = reason.indexOf(QLatin1String(": "));
    if (colon > 0 && !reason.left(colon).contains(QLatin1Char(' ')))
        reason = reason.mid(colon + 2);
    return Status::failure(
        QStringLiteral("The program for Game Boy images (.gb files), %1 (%2), did not start: %3.")
            .arg(name, process.program(), reason));
}

} // namespace DesktopOpen
