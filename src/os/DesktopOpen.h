// Playing a level: the image's copy opened with the program the desktop starts for Game Boy
// images on a double-click, an emulator as a rule. Which program that is comes from the
// desktop's own settings: on Linux the freedesktop MIME associations (mimeapps.list files and
// the desktop files of the installed programs), on Windows the association of ".gb". The
// decisions over those settings are pure functions here, built on every platform so that they
// are tested without touching the user's home folder or registry; reading the settings and
// starting the program is in DesktopOpen<platform>.cpp.
#pragma once

#include "base/Status.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace DesktopOpen {

// Starts the desktop's program for Game Boy images on path, without waiting for it. Fails, with
// a reason for the status line, when there is no such program or when it is Dorrik itself (which
// would only open the copy in another editor window).
Status openGameBoyImage(const QString &path);

// The MIME type Dorrik's own desktop file declares for the images.
inline const QString kGameBoyType = QStringLiteral("application/x-gameboy-rom");

// ---- Linux: the freedesktop rules ----

// The environment the rules read, as the variables hold them (empty when unset).
struct XdgEnvironment
{
    QString home;
    QString configHome; // XDG_CONFIG_HOME
    QString configDirs; // XDG_CONFIG_DIRS
    QString dataHome; // XDG_DATA_HOME
    QString dataDirs; // XDG_DATA_DIRS
    QString currentDesktop; // XDG_CURRENT_DESKTOP
};

// The mimeapps.list files, the first one the most preferred: in each configuration folder,
// then each applications folder, the lists of the current desktops before the general one.
QStringList mimeappsLists(const XdgEnvironment &environment);

// The folders desktop files are installed in, the first one the most preferred.
QStringList applicationFolders(const XdgEnvironment &environment);

// What a desktop file says about the program it starts.
struct DesktopEntry
{
    QString id; // the desktop file id: "mgba-qt.desktop", "kde4-kate.desktop"
    QString location; // where the file is, for %k
    QString name;
    QString exec;
    QString tryExec;
    QString icon;
    QStringList mimeTypes;
    bool application = false; // Type=Application
    bool hidden = false; // Hidden=true: as if it were not installed
};

DesktopEntry parseDesktopEntry(const QString &id, const QString &location, const QString &text);

// The desktop file id of a file below an applications folder: "kde4/kate.desktop" is
// "kde4-kate.desktop".
QString desktopFileId(const QString &pathInFolder);

enum class Outcome { NoProgram, Dorrik, Program };

struct Choice
{
    Outcome outcome = Outcome::NoProgram;
    DesktopEntry entry;
};

// The program for type, from the texts of the mimeapps.list files (in mimeappsLists' order) and
// the installed desktop files (one per id, in applicationFolders' order; those whose TryExec
// program is missing already left out). A default the user set is taken even when it is Dorrik;
// among the programs that merely list the type, one that is not Dorrik is preferred.
Choice chooseProgram(const QString &type, const QStringList &mimeappsTexts,
                     const QList<DesktopEntry> &installed,
                     const std::function<bool(const DesktopEntry &)> &isDorrik);

// The words of an Exec value (the program first), with its quoting and escapes undone; empty
// when the value is malformed (an unclosed quote).
QStringList execWords(const QString &exec);

// The program and arguments that open file with entry: the field codes of its Exec value
// expanded, the file appended when Exec names none. Empty when Exec is malformed or empty.
QStringList commandFor(const DesktopEntry &entry, const QString &file);

// Whether entry starts Dorrik: our desktop file, a program named dorrik, or the program that is
// running (resolvedProgram and runningProgram: full paths, or empty when unknown).
bool isDorrikEntry(const DesktopEntry &entry, const QString &resolvedProgram,
                   const QString &runningProgram);

// ---- Windows: the ".gb" association ----

// The program a command from the registry starts: "\"C:\\x\\emu.exe\" \"%1\"" is
// "C:\\x\\emu.exe"; an unquoted program ends at the first blank.
QString programOfCommand(const QString &command);

// Whether the association starts Dorrik: the program is dorrik.exe (in any case) or the running
// program, or the ProgID is the one Dorrik's installer registers.
bool isDorrikOnWindows(const QString &program, const QString &progId,
                       const QString &runningProgram);

} // namespace DesktopOpen
