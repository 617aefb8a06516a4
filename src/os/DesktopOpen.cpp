// The decisions of playing a level, free of system calls: which program the desktop's settings
// name for Game Boy images, whether it is Dorrik, and the command line that starts it.
#include "DesktopOpen.h"

#include <QHash>
#include <QSet>

namespace DesktopOpen {
namespace {

const QString kDorrikId = QStringLiteral("dorrik.desktop");

QStringList folderList(const QString &value, const QString &fallback)
{
    QStringList folders;
    // Relative folders in these variables are invalid and ignored.
    for (const QString &folder : (value.isEmpty() ? fallback : value).split(QLatin1Char(':')))
        if (folder.startsWith(QLatin1Char('/')))
            folders << folder;
    if (folders.isEmpty() && !value.isEmpty())
        return folderList({}, fallback);
    return folders;
}

QString single(const QString &value, const QString &fallback)
{
    return value.startsWith(QLatin1Char('/')) ? value : fallback;
}

// The string escapes of desktop files and mimeapps.list: \s \n \t \r and \\.
QString unescaped(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) != QLatin1Char('\\') || i + 1 == value.size()) {
            out += value.at(i);
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += QLatin1Char('\\');
            out += next;
        }
    }
    return out;
}

// Calls take(group, key, value) for every entry of a desktop-file-style text; localised keys
// ("Name[de]") are left out.
template<typename Take> void forEachEntry(const QString &text, Take take)
{
    QString group;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.front() == QLatin1Char('#'))
            continue;
        if (line.front() == QLatin1Char('[') && line.back() == QLatin1Char(']')) {
            group = line.sliced(1, line.size() - 2).toString();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QStringView key = line.left(equals).trimmed();
        if (key.contains(QLatin1Char('[')))
            continue;
        take(group, key, unescaped(line.sliced(equals + 1).trimmed().toString()));
    }
}

QStringList listOf(const QString &value)
{
    QStringList items;
    for (const QString &item : value.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!item.trimmed().isEmpty())
            items << item.trimmed();
    return items;
}

// What one mimeapps.list says about one type.
struct Associations
{
    QStringList defaults, added, removed;
};

Associations associationsIn(const QString &text, const QString &type)
{
    Associations found;
    forEachEntry(text, [&](const QString &group, QStringView key, const QString &value) {
        if (key != type)
            return;
        if (group == QLatin1String("Default Applications"))
            found.defaults << listOf(value);
        else if (group == QLatin1String("Added Associations"))
            found.added << listOf(value);
        else if (group == QLatin1String("Removed Associations"))
            found.removed << listOf(value);
    });
    return found;
}

} // namespace

QStringList mimeappsLists(const XdgEnvironment &environment)
{
    QStringList folders { single(environment.configHome, environment.home + "/.config") };
    folders << folderList(environment.configDirs, QStringLiteral("/etc/xdg"));
    folders << applicationFolders(environment);
    QStringList desktops;
    for (const QString &desktop :
         environment.currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktops << desktop.toLower();
    QStringList lists;
    for (const QString &folder : std::as_const(folders)) {
        for (const QString &desktop : std::as_const(desktops))
            lists << folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        lists << folder + QStringLiteral("/mimeapps.list");
    }
    return lists;
}

QStringList applicationFolders(const XdgEnvironment &environment)
{
    QStringList folders { single(environment.dataHome, environment.home + "/.local/share") };
    folders << folderList(environment.dataDirs, QStringLiteral("/usr/local/share:/usr/share"));
    for (QString &folder : folders)
        folder += QStringLiteral("/applications");
    return folders;
}

DesktopEntry parseDesktopEntry(const QString &id, const QString &location, const QString &text)
{
    DesktopEntry entry;
    entry.id = id;
    entry.location = location;
    forEachEntry(text, [&](const QString &group, QStringView key, const QString &value) {
        if (group != QLatin1String("Desktop Entry"))
            return;
        if (key == QLatin1String("Type"))
            entry.application = value == QLatin1String("Application");
        else if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("TryExec"))
            entry.tryExec = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("MimeType"))
            entry.mimeTypes = listOf(value);
        else if (key == QLatin1String("Hidden"))
            entry.hidden = value == QLatin1String("true");
    });
    return entry;
}

QString desktopFileId(const QString &pathInFolder)
{
    QString id = pathInFolder;
    return id.replace(QLatin1Char('/'), QLatin1Char('-'));
}

Choice chooseProgram(const QString &type, const QStringList &mimeappsTexts,
                     const QList<DesktopEntry> &installed,
                     const std::function<bool(const DesktopEntry &)> &isDorrik)
{
    // A hidden entry, or one that starts nothing, is as good as not installed.
    QHash<QString, const DesktopEntry *> byId;
    for (const DesktopEntry &entry : installed)
        if (entry.application && !entry.hidden && !entry.exec.isEmpty() && !byId.contains(entry.id))
            byId.insert(entry.id, &entry);
    const auto chosen = [&](const DesktopEntry &entry) {
        return Choice { isDorrik(entry) ? Outcome::Dorrik : Outcome::Program, entry };
    };

    QList<Associations> lists;
    for (const QString &text : mimeappsTexts)
        lists << associationsIn(text, type);
    // The user's default, from the most preferred list that names an installed program.
    for (const Associations &list : std::as_const(lists))
        for (const QString &id : list.defaults)
            if (byId.contains(id))
                return chosen(*byId.value(id));
    // Then the programs the user added for the type, in their order; a list's removals hold
    // for its own additions and those of the lists below it.
    QSet<QString> removed;
    for (const Associations &list : std::as_const(lists)) {
        removed.unite(QSet<QString>(list.removed.begin(), list.removed.end()));
        for (const QString &id : list.added)
            if (!removed.contains(id) && byId.contains(id))
                return chosen(*byId.value(id));
    }
    // Last the programs whose desktop files list the type: Dorrik's own package lists it, which
    // is no choice of the user's, so any other program comes first.
    const DesktopEntry *dorrik = nullptr;
    for (const DesktopEntry &entry : installed) {
        if (byId.value(entry.id) != &entry || !entry.mimeTypes.contains(type)
            || removed.contains(entry.id))
            continue;
        if (!isDorrik(entry))
            return Choice { Outcome::Program, entry };
        if (!dorrik)
            dorrik = &entry;
    }
    return dorrik ? Choice { Outcome::Dorrik, *dorrik } : Choice {};
}

QStringList execWords(const QString &exec)
{
    QStringList words;
    QString word;
    bool inWord = false, quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        const bool escape = c == QLatin1Char('\\') && i + 1 < exec.size();
        if (quoted) {
            // Within quotes a backslash escapes only " ` $ and itself.
            if (escape && QStringView(u"\"`$\\").contains(exec.at(i + 1)))
                word += exec.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                word += c;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == QLatin1Char('"'))
                quoted = true;
            else if (escape)
                word += exec.at(++i);
            else
                word += c;
        }
    }
    if (quoted)
        return {};
    if (inWord)
        words << word;
    return words;
}

QStringList commandFor(const DesktopEntry &entry, const QString &file)
{
    QStringList command;
    bool fileGiven = false;
    for (const QString &word : execWords(entry.exec)) {
        // A word that is one field code may become no word at all, or two (%i).
        if (word.size() == 2 && word.front() == QLatin1Char('%')) {
            switch (word.at(1).unicode()) {
            case 'f':
            case 'F':
            case 'u':
            case 'U':
                command << file;
                fileGiven = true;
                break;
            case 'i':
                if (!entry.icon.isEmpty())
                    command << QStringLiteral("--icon") << entry.icon;
                break;
            case 'c':
                command << entry.name;
                break;
            case 'k':
                command << entry.location;
                break;
            case '%':
                command << QStringLiteral("%");
                break;
            default: // the deprecated %d %D %n %N %v %m, and unknown codes
                break;
            }
            continue;
        }
        QString expanded;
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (word.at(i) != QLatin1Char('%') || i + 1 == word.size()) {
                expanded += word.at(i);
                continue;
            }
            switch (word.at(++i).unicode()) {
            case 'f':
            case 'F':
            case 'u':
            case 'U':
                expanded += file;
                fileGiven = true;
                break;
            case 'c':
                expanded += entry.name;
                break;
            case 'k':
                expanded += entry.location;
                break;
            case '%':
                expanded += QLatin1Char('%');
                break;
            default:
                break;
            }
        }
        command << expanded;
    }
    if (command.isEmpty() || command.front().isEmpty())
        return {};
    // A program whose Exec takes no file is still given the one to play.
    if (!fileGiven)
        command << file;
    return command;
}

bool isDorrikEntry(const DesktopEntry &entry, const QString &resolvedProgram,
                   const QString &runningProgram)
{
    const QString program = execWords(entry.exec).value(0);
    return entry.id == kDorrikId || program.section(QLatin1Char('/'), -1) == QLatin1String("dorrik")
        || (!resolvedProgram.isEmpty() && resolvedProgram == runningProgram);
}

QString programOfCommand(const QString &command)
{
    const QString text = command.trimmed();
    if (text.startsWith(QLatin1Char('"'))) {
        const qsizetype end = text.indexOf(QLatin1Char('"'), 1);
        return end < 0 ? text.mid(1) : text.mid(1, end - 1);
    }
    qsizetype end = 0;
    while (end < text.size() && text.at(end) != QLatin1Char(' ')
           && text.at(end) != QLatin1Char('\t'))
        ++end;
    return text.left(end);
}

bool isDorrikOnWindows(const QString &program, const QString &progId, const QString &runningProgram)
{
    QString path = program;
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QString running = runningProgram;
    running.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString name = path.section(QLatin1Char('\\'), -1);
    // Windows finds "dorrik" as dorrik.exe.
    return name.compare(QLatin1String("dorrik.exe"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("dorrik"), Qt::CaseInsensitive) == 0
        || progId.compare(QLatin1String("Dorrik.gb"), Qt::CaseInsensitive) == 0
        || (!running.isEmpty() && path.compare(running, Qt::CaseInsensitive) == 0);
}

} // namespace DesktopOpen
