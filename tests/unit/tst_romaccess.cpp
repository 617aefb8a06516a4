// Where tiles and level cells lie in the image, and how single accesses read and write them.
#include "TestImages.h"
#include "os/DesktopOpen.h"
#include "os/FileAccess.h"
#include "os/OutputFile.h"
#include "os/WindowsFiles.h"
#include "rom/CBuffer.h"
#include "rom/LevelAccess.h"
#include "rom/LevelAreas.h"

#include <QDir>
#include <QFileInfo>
#include <QPoint>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <initializer_list>
#include <tuple>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace RomLayout;

class RomAccessTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_image;
    QByteArray m_bytes;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_image = path(QStringLiteral("image.gb"));
        m_bytes = TestImages::patterned();
        QVERIFY(TestImages::write(m_image, m_bytes));
        FileAccess::setFaultHook({});
    }
    void cleanup() { FileAccess::setFaultHook({}); }

    void cellPositions_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("offset");
        QTest::newRow("first cell of level 1") << 1 << 0 << 0 << 0x14001;
        QTest::newRow("last cell of level 1") << 1 << 19 << 16 << 0x14154;
        QTest::newRow("first cell of level 2") << 2 << 0 << 0 << 0x14155;
        QTest::newRow("row 1 follows row 0") << 1 << 0 << 1 << 0x14015;
        QTest::newRow("last cell of level 46") << 46 << 19 << 16 << 0x17D18;
    }
    void cellPositions()
    {
        QFETCH(int, level);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(int, offset);
        QCOMPARE(levelOffset(level) + cellIndex(column, row), offset);

        std::uint8_t tile = 0;
        QVERIFY(LevelAccess::ReadCell(m_image, levelOffset(level), column, row, tile));
        QCOMPARE(tile, static_cast<std::uint8_t>(m_bytes.at(offset)));

        // A write lands on exactly that byte.
        QVERIFY(LevelAccess::WriteCell(m_image, levelOffset(level), column, row, 0xEE));
        QByteArray expected = m_bytes;
        expected[offset] = char(0xEE);
        QCOMPARE(TestImages::read(m_image), expected);
    }

    // Snapped pointer positions to cells. Fault: a position beyond an edge taken as the next
    // row's first cell, or -16 / 16 rounded towards zero to column or row 0.
    void cellUnderPointer_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("cell");
        QTest::newRow("last cell") << QPoint(304, 256) << 339;
        QTest::newRow("beyond the right edge") << QPoint(320, 0) << -1;
        QTest::newRow("left of the map") << QPoint(-16, 16) << -1;
        QTest::newRow("above the map") << QPoint(16, -16) << -1;
    }
    void cellUnderPointer()
    {
        QFETCH(QPoint, at);
        QFETCH(int, cell);
        QCOMPARE(int(LevelAreas::cellAt(at.x(), at.y()).value_or(0xFFFF)),
                 cell < 0 ? 0xFFFF : cell);
    }

    // A map of tile 0 with tile 1 in the marked cells: how many cells a fill (side by side
    // through one tile) and a replace (one tile anywhere) from the pressed cell cover.
    void fillAndReplaceAreas_data()
    {
        QTest::addColumn<QList<QPoint>>("marked");
        QTest::addColumn<QPoint>("pressed");
        QTest::addColumn<int>("areaSize");
        QTest::addColumn<int>("sameTileCount");
        QList<QPoint> wall;
        for (int row = 0; row < kLevelRows; ++row)
            wall << QPoint(3, row);
        QTest::newRow("a wall stops the fill") << wall << QPoint(1, 5) << 51 << 323;
        QTest::newRow("far side of the wall") << wall << QPoint(19, 16) << 272 << 323;
        QTest::newRow("diagonal cells are not side by side")
            << QList<QPoint> { { 1, 0 }, { 0, 1 } } << QPoint(1, 0) << 1 << 2;
        QTest::newRow("no step from a row's end to the next row's start")
            << QList<QPoint> { { 19, 0 }, { 0, 1 } } << QPoint(19, 0) << 1 << 2;
        QTest::newRow("a winding corridor is followed")
            << QList<QPoint> { { 5, 5 }, { 5, 6 }, { 6, 6 }, { 7, 6 }, { 7, 5 } } << QPoint(5, 5)
            << 5 << 5;
    }
    void fillAndReplaceAreas()
    {
        QFETCH(QList<QPoint>, marked);
        QFETCH(QPoint, pressed);
        QFETCH(int, areaSize);
        QFETCH(int, sameTileCount);
        LevelMap map;
        for (const QPoint &cell : marked)
            map.setCell(cell.x(), cell.y(), 1);
        const auto start = static_cast<std::uint16_t>(cellIndex(pressed.x(), pressed.y()));
        const auto area = LevelAreas::connectedArea(map, start);
        QCOMPARE(int(QSet<std::uint16_t>(area.begin(), area.end()).size()), areaSize);
        QCOMPARE(int(area.size()), areaSize);
        QCOMPARE(int(LevelAreas::sameTile(map, start).size()), sameTileCount);
    }

    void tilePositions_data()
    {
        QTest::addColumn<int>("tile");
        QTest::addColumn<int>("first");
        QTest::newRow("tile 0") << 0 << 0x11001;
        QTest::newRow("tile 1") << 1 << 0x11011;
        QTest::newRow("tile 255") << 255 << 0x11FF1;
    }
    void tilePositions()
    {
        QFETCH(int, tile);
        QFETCH(int, first);
        QCOMPARE(tileOffset(tile), first);
        QVERIFY(CBuffer::ReadTile(m_image, tileOffset(tile)));
        for (int i = 0; i < 16; ++i)
            QCOMPARE(CBuffer::bytTile[static_cast<std::size_t>(i)],
                     static_cast<std::uint8_t>(m_bytes.at(first + i)));
        // Reading never changes the file.
        QCOMPARE(TestImages::read(m_image), m_bytes);
    }

    void regionsAvoidTheirNeighbours()
    {
        QCOMPARE(kTileRegionEnd - 1, 0x12000);
        QCOMPARE(kLevelRegionEnd - 1, 0x17D18);
        QCOMPARE(kLevelBytes * kLevelCount, 15640);
        QVERIFY(tileOffset(0) > 0x11000);
        QVERIFY(levelOffset(1) > 0x14000);
    }

    void tileRunMatchesSingleReads()
    {
        CBuffer::TileRun run;
        QVERIFY(CBuffer::ReadTiles(m_image, 78, 18, run));
        QVERIFY(run.holds(78) && run.holds(95) && !run.holds(96) && !run.holds(77));
        for (int tile = 78; tile <= 95; ++tile) {
            run.copyToBuffer(tile);
            const auto fromRun = CBuffer::bytTile;
            QVERIFY(CBuffer::ReadTile(m_image, tileOffset(tile)));
            QCOMPARE(fromRun, CBuffer::bytTile);
        }
    }

    void levelRoundTrip()
    {
        // Saving an unchanged level leaves the file as it was, byte for byte.
        LevelMap map;
        QVERIFY(LevelAccess::ReadLevel(m_image, levelOffset(7), map));
        QCOMPARE(map.cellAt(3, 4), TestImages::cellByte(7, 3, 4));
        QVERIFY(LevelAccess::WriteLevel(m_image, levelOffset(7), map));
        QCOMPARE(TestImages::read(m_image), m_bytes);

        // One painted cell changes exactly that cell's byte; the next read sees it.
        QVERIFY(map.setCell(5, 6, 0x42));
        QVERIFY(LevelAccess::WriteLevel(m_image, levelOffset(7), map));
        QByteArray expected = m_bytes;
        expected[levelOffset(7) + cellIndex(5, 6)] = 0x42;
        QCOMPARE(TestImages::read(m_image), expected);
        std::uint8_t tile = 0;
        QVERIFY(LevelAccess::ReadCell(m_image, levelOffset(7), 5, 6, tile));
        QCOMPARE(tile, 0x42);
    }

    void levelMapRefusesWhatIsNoCell()
    {
        LevelMap map;
        QVERIFY(!map.setCell(20, 0, 1));
        QVERIFY(!map.setCell(0, 17, 1));
        QVERIFY(!map.setCell(-1, 0, 1));
        QVERIFY(!map.setCell(0, 0, 256));
        QVERIFY(!map.setCell(0, 0, -1));
        QCOMPARE(map, LevelMap());
        QVERIFY(map.setCell(19, 16, 255));
        QCOMPARE(map.bytes().back(), 255);
    }

    // Each kind of bad file is refused with a reason, without blocking, leaking a descriptor
    // or changing the tile buffer.
    void badFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing" << FileAccess::describe(ENOENT);
        QTest::newRow("directory") << "directory"
                                   << "directory";
        QTest::newRow("fifo") << "fifo"
                              << "not a regular file";
        QTest::newRow("device") << "device"
                                << "not a regular file";
        QTest::newRow("empty") << "empty"
                               << "0 bytes long";
        QTest::newRow("one short of tile 255") << "short-tiles"
                                               << "too short";
#ifdef Q_OS_WIN
        // What is a device is the system's to say. Every version takes the bare names and the
        // forms with a colon for devices; Windows 10 (and Wine) also the names with an extension
        // or trailing spaces, in any folder, where Windows 11 sees ordinary files: those rows
        // run where the system says they are devices.
        for (const char *name : { "CON", "LPT9", "COM1:", "NUL:" })
            QTest::addRow("device name %s", name)
                << QStringLiteral("device:") + name << "not a regular file";
        for (const char *name : { "nul.gb", "Com1.txt", "aux .gb", "aux.gb" })
            QTest::addRow("device name %s, before Windows 11", name)
                << QStringLiteral("device?") + name << "not a regular file";
#endif
    }
    void badFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QString target = path(kind);
        if (kind == QLatin1String("directory")) {
            QVERIFY(QDir(m_dir.path()).mkdir(kind));
        } else if (kind == QLatin1String("fifo")) {
            target = TestImages::makeFifo(target);
            QVERIFY(!target.isEmpty());
        } else if (kind == QLatin1String("device")) {
            target = TestImages::device();
        } else if (kind.startsWith(QLatin1String("device:"))) {
            target = path(kind.mid(7));
#ifdef Q_OS_WIN
        } else if (kind.startsWith(QLatin1String("device?"))) {
            target = path(kind.mid(7));
            if (!TestImages::namesDevice(target))
                QSKIP("an ordinary file name on this version of Windows");
#endif
        } else if (kind == QLatin1String("empty")) {
            QVERIFY(TestImages::write(target, {}));
        } else if (kind == QLatin1String("short-tiles")) {
            QVERIFY(TestImages::write(target, m_bytes.left(kTileRegionEnd - 1)));
        }

        const int descriptors = TestImages::openDescriptors();
        int opens = 0;
        FileAccess::setFaultHook([&opens](FileAccess::Op op) {
            opens += op == FileAccess::Op::Open;
            return 0;
        });
        CBuffer::bytTile.fill(0x5A);
        const Status tile = CBuffer::ReadTile(target, tileOffset(255));
        QVERIFY(!tile);
        QVERIFY2(tile.error.contains(reason), qPrintable(tile.error));
        QCOMPARE(CBuffer::bytTile[0], 0x5A);

        LevelMap map;
        map.setCell(0, 0, 9);
        const LevelMap before = map;
        QVERIFY(!LevelAccess::ReadLevel(target, levelOffset(1), map));
        QCOMPARE(map, before);
        if (!kind.startsWith(
                QLatin1String("device"))) // never write to a device, even to test a refusal
            QVERIFY(!LevelAccess::WriteLevel(target, levelOffset(1), map));
        FileAccess::setFaultHook({});
        QCOMPARE(TestImages::openDescriptors(), descriptors);
        if (kind.startsWith(QLatin1String("device")) && kind != QLatin1String("device"))
            QCOMPARE(opens, 0); // refused by its name, never opened
    }

    // Names whose full path is past the old 260-character limit reach the file whatever form
    // they are given in: relative to a deep current folder, relative to a drive's current
    // folder ("C:image.gb"), or already in the long form.
    void longNamesInEveryForm_data()
    {
        QTest::addColumn<QString>("form");
        QTest::newRow("relative") << "relative";
#ifdef Q_OS_WIN
        QTest::newRow("drive-relative") << "drive";
        QTest::newRow("long form") << "long";
#endif
    }
    void longNamesInEveryForm()
    {
        QFETCH(QString, form);
        const QString folder = path(QString(150, QLatin1Char('f')));
        const QString inner = QString(60, QLatin1Char('g')) + QLatin1Char('/')
            + QString(60, QLatin1Char('h')) + QStringLiteral("/image.gb");
        QVERIFY(QDir().mkpath(folder + QLatin1Char('/') + QFileInfo(inner).path()));
        const QString file = folder + QLatin1Char('/') + inner;
        QVERIFY(TestImages::write(file, m_bytes));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder));
        QString name = inner;
        if (form == QLatin1String("drive"))
            name = QDir::currentPath().left(2) + QDir::toNativeSeparators(inner);
        else if (form == QLatin1String("long"))
            name = QStringLiteral("\\\\?\\") + QDir::toNativeSeparators(file);
        QByteArray read;
        const Status result = FileAccess::readAll(name, read);
        QDir::setCurrent(before);
        QVERIFY2(result, qPrintable(result.error));
        QCOMPARE(read, m_bytes);
    }

    // The Windows rules, as pure decisions over what the system reports, on every platform.
    void windowsDecisions_data()
    {
        using namespace WindowsFiles;
        QTest::addColumn<quint32>("attributes");
        QTest::addColumn<quint32>("tag");
        QTest::addColumn<int>("kind");
        const quint32 reparse = kAttributeReparsePoint;
        const auto row = [](const char *tag, quint32 attributes, quint32 reparseTag, Kind kind) {
            QTest::newRow(tag) << attributes << reparseTag << int(kind);
        };
        row("plain file", 0x20, 0, Kind::File);
        row("OneDrive file", reparse | 0x400000, kTagCloud, Kind::File);
        row("OneDrive file, other cloud tag", reparse, 0x9000701A, Kind::File);
        row("deduplicated file", reparse, kTagDedup, Kind::File);
        row("symbolic link", reparse, kTagSymlink, Kind::File);
        row("folder", kAttributeDirectory, 0, Kind::Folder);
        row("mount point", reparse | kAttributeDirectory, kTagMountPoint, Kind::Folder);
        row("app execution alias", reparse, kTagAppExecLink, Kind::NotAFile);
        row("socket", reparse, kTagUnixSocket, Kind::NotAFile);
        row("FIFO made by Linux programs", reparse, kTagWslFifo, Kind::NotAFile);
    }
    void windowsDecisions()
    {
        using namespace WindowsFiles;
        QFETCH(quint32, attributes);
        QFETCH(quint32, tag);
        QFETCH(int, kind);
        QCOMPARE(int(kindBeforeOpening(attributes, tag)), kind);
        // Once opened, only the handle's own type and attributes count.
        QCOMPARE(kindOfHandle(kFileTypeDisk, attributes & kAttributeDirectory),
                 attributes & kAttributeDirectory ? Kind::Folder : Kind::File);
        for (quint32 type : { kFileTypeChar, kFileTypePipe, kFileTypeUnknown })
            QCOMPARE(kindOfHandle(type, 0), Kind::NotAFile);
    }

    // The rules an output is written by: which links are followed (as the kernel's
    // protected_symlinks has it) and when an existing output is renamed over or written into.
    void outputRules()
    {
        using OutputFile::mayFollow;
        const std::uint32_t me = 1000, other = 1001, root = 0;
        QVERIFY(mayFollow({ false, true, other, root, me })); // not sticky
        QVERIFY(mayFollow({ true, false, other, root, me })); // sticky, not world-writable
        QVERIFY(mayFollow({ true, true, me, root, me })); // the follower's own link
        QVERIFY(mayFollow({ true, true, other, other, me })); // the folder owner's link
        QVERIFY(!mayFollow({ true, true, other, root, me })); // planted in /tmp by another
        QVERIFY(!mayFollow({ true, true, other, me + 2, root })); // not even for root
        using OutputFile::Way;
        QCOMPARE(OutputFile::wayFor(1, true), Way::Rename);
        QCOMPARE(OutputFile::wayFor(2, true), Way::WriteInto); // a second name would keep old bytes
        QCOMPARE(OutputFile::wayFor(1, false), Way::WriteInto); // the owner would be lost
    }

    void windowsPathForms()
    {
        using namespace WindowsFiles;
        const QString deep = QStringLiteral("C:\\") + QString(250, QLatin1Char('d'))
            + QStringLiteral("\\image.gb");
        QCOMPARE(openingForm(QStringLiteral("C:\\roms\\image.gb")), "C:\\roms\\image.gb");
        QCOMPARE(openingForm(deep), QStringLiteral("\\\\?\\") + deep);
        QCOMPARE(openingForm(QStringLiteral("\\\\server\\share\\") + deep.mid(3)),
                 QStringLiteral("\\\\?\\UNC\\server\\share\\") + deep.mid(3));
        QCOMPARE(openingForm(QStringLiteral("\\\\?\\") + deep), QStringLiteral("\\\\?\\") + deep);
        // Devices, as the system's full path shows them; Windows 11 gives "aux.gb" a folder.
        for (const char *device :
             { "\\\\.\\COM1", "\\\\.\\NUL", "\\\\.\\aux", "\\\\?\\GLOBALROOT\\Device\\Null" })
            QVERIFY2(namesDevice(QString::fromLatin1(device)), device);
        for (const char *file :
             { "C:\\roms\\aux.gb", "\\\\?\\C:\\roms\\nul.gb", "\\\\server\\share\\x.gb" })
            QVERIFY2(!namesDevice(QString::fromLatin1(file)), file);
        // The program of a ".gb" association's command, and whether it is Dorrik.
        using Association = std::tuple<const char *, const char *, const char *, bool>;
        for (const auto &[command, progId, program, dorrik] : std::initializer_list<Association> {
                 { R"("C:\Program Files\Dorrik\dorrik.exe" "%1")", "",
                   R"(C:\Program Files\Dorrik\dorrik.exe)", true },
                 { R"(C:\Emu\mGBA.exe "%1")", "mGBA.gb", R"(C:\Emu\mGBA.exe)", false },
                 { R"( "C:\Tools\DORRIK.EXE" %1)", "", R"(C:\Tools\DORRIK.EXE)", true },
                 { R"("C:\x\emu.exe" "%1")", "dorrik.GB", R"(C:\x\emu.exe)", true }, // our ProgID
                 { R"("c:/games/editor/EDITOR.exe" "%1")", "", "c:/games/editor/EDITOR.exe",
                   true }, // running
                 { R"("C:\dorrik.exe tools\emu.exe" "%1")", "", R"(C:\dorrik.exe tools\emu.exe)",
                   false } }) {
            QCOMPARE(DesktopOpen::programOfCommand(command), program);
            QVERIFY2(
                DesktopOpen::isDorrikOnWindows(program, progId, R"(C:\Games\Editor\editor.exe)")
                    == dorrik,
                command);
        }
    }

    // Which program a double-click on an image starts, as the freedesktop rules have it.
    void desktopChoices_data()
    {
        QTest::addColumn<QString>("user"); // the user's mimeapps.list
        QTest::addColumn<QString>("system"); // /usr/share/applications/mimeapps.list
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("outcome");
        const auto row = [](const char *tag, const char *group, const char *ids, const char *system,
                            const char *chosen, DesktopOpen::Outcome outcome) {
            const QString user = QStringLiteral("[%1]\napplication/x-gameboy-rom=%2\n");
            QTest::newRow(tag) << user.arg(QLatin1String(group), QLatin1String(ids))
                               << QString::fromLatin1(system) << chosen << int(outcome);
        };
        using enum DesktopOpen::Outcome;
        const char *viewerDefault
            = "[Default Applications]\napplication/x-gameboy-rom=viewer.desktop";
        row("default before listers", "Default Applications", "viewer.desktop", "",
            "viewer.desktop", Program);
        row("missing and hidden defaults skipped", "Default Applications",
            "gone.desktop;hidden.desktop;other.desktop", "", "other.desktop", Program);
        row("user's default before the system's", "Default Applications", "other.desktop",
            viewerDefault, "other.desktop", Program);
        row("system's default kept", "Other Group", "other.desktop", viewerDefault,
            "viewer.desktop", Program);
        row("added before listers", "Added Associations", "viewer.desktop", "", "viewer.desktop",
            Program);
        row("removed lister", "Removed Associations", "mgba.desktop", "", "other.desktop", Program);
        row("Dorrik set as default", "Default Applications", "dorrik.desktop", "", "dorrik.desktop",
            Dorrik);
        row("Dorrik among listers", "Other Group", "", "", "mgba.desktop", Program);
        row("Dorrik the only lister", "Removed Associations", "mgba.desktop;other.desktop", "",
            "dorrik.desktop", Dorrik);
    }
    void desktopChoices()
    {
        using namespace DesktopOpen;
        QFETCH(QString, user);
        QFETCH(QString, system);
        QFETCH(QString, chosen);
        QFETCH(int, outcome);
        const QString type = QStringLiteral("MimeType=application/x-gameboy-rom;\n");
        QList<DesktopEntry> installed;
        for (const auto &[id, more] : { std::pair { "dorrik", type },
                                        { "hidden", "Hidden=true\n" + type },
                                        { "mgba", type },
                                        { "other", type },
                                        { "viewer", QString() } })
            installed << parseDesktopEntry(id + QStringLiteral(".desktop"), {},
                                           "[Desktop Entry]\nType=Application\nExec="
                                               + QString::fromLatin1(id) + " %f\n" + more);
        const Choice choice
            = chooseProgram(kGameBoyType, { user, system }, installed,
                            [](const DesktopEntry &e) { return isDorrikEntry(e, {}, {}); });
        QCOMPARE(choice.entry.id, chosen);
        QCOMPARE(int(choice.outcome), outcome);
    }

    // Exec values as desktop files write them, and the command each one becomes.
    void execCommands_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("command");
        const QString file = QStringLiteral("/tmp/my image.gb");
        QTest::newRow("plain") << "mgba-qt %f" << QStringList { "mgba-qt", file };
        QTest::newRow("quoted program, code within a word")
            << R"("/opt/my emu/run" --rom=%u -f)"
            << QStringList { "/opt/my emu/run", "--rom=" + file, "-f" };
        QTest::newRow("icon, name, percent")
            << "emu %U %i %c %%" << QStringList { "emu", file, "--icon", "emu-icon", "Emu", "%" };
        QTest::newRow("deprecated codes dropped")
            << "emu %d %D %m %f" << QStringList { "emu", file };
        QTest::newRow("no code: file appended") << "emu -f" << QStringList { "emu", "-f", file };
        QTest::newRow("escapes twice over") << R"(emu\sx "a \\"b\\" c\\\\d" %f)"
                                            << QStringList { "emu", "x", R"(a "b" c\d)", file };
        QTest::newRow("unclosed quote") << "emu \"%f" << QStringList();
    }
    void execCommands()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, command);
        const auto entry = DesktopOpen::parseDesktopEntry(
            {}, {}, "[Desktop Entry]\nName=Emu\nIcon=emu-icon\nExec=" + exec);
        QCOMPARE(DesktopOpen::commandFor(entry, QStringLiteral("/tmp/my image.gb")), command);
    }

    // Where the associations and the desktop files are looked for, the most preferred first.
    void desktopFolders()
    {
        QCOMPARE(DesktopOpen::desktopFileId("kde4/kate.desktop"), "kde4-kate.desktop");
        const QStringList lists
            = DesktopOpen::mimeappsLists({ "/h", {}, "/c1:c2", {}, {}, "ubuntu:GNOME" });
        QCOMPARE(lists.mid(0, 4),
                 QStringList({ "/h/.config/ubuntu-mimeapps.list", "/h/.config/gnome-mimeapps.list",
                               "/h/.config/mimeapps.list", "/c1/ubuntu-mimeapps.list" }));
        QCOMPARE(lists.at(8), "/h/.local/share/applications/mimeapps.list");
        QCOMPARE(lists.last(), "/usr/share/applications/mimeapps.list");
    }

    // The real thing, in a private desktop: a stand-in program set for the images writes down
    // the file it was started on.
    void playsWithTheDesktopsProgram_data()
    {
        QTest::addColumn<QString>("program"); // the one set for the images, "" for none
        QTest::addColumn<QString>("failure");
        QTest::newRow("stand-in") << "stand-in"
                                  << "";
        QTest::newRow("no program") << ""
                                    << "No program is set to open Game Boy images";
        QTest::newRow("Dorrik") << "dorrik"
                                << "open with Dorrik itself";
    }
    void playsWithTheDesktopsProgram()
    {
        QFETCH(QString, program);
        QFETCH(QString, failure);
        QTemporaryDir home;
        const QString record = home.filePath("record.txt"), image = home.filePath("my image.gb");
        QVERIFY(TestImages::write(image, m_bytes));
#ifdef Q_OS_WIN
        const QString command = program == "dorrik"
            ? R"("C:\Dorrik\dorrik.exe" "%1")"
            : "cmd.exe /c echo %1>\"" + QDir::toNativeSeparators(record) + '"';
        // In the user's classes, where the shell reads them; Wine's reads only the machine's.
        const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
        const HKEY root = wine ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
        const QString classes = wine ? "" : "Software\\Classes\\";
        const auto set = [&](const QString &key, const QString &value) {
            return RegSetKeyValueW(root, qUtf16Printable(classes + key), nullptr, REG_SZ,
                                   value.utf16(), DWORD(value.size() + 1) * 2)
                == ERROR_SUCCESS;
        };
        QVERIFY(set(".gb", "DorrikTest.gb"));
        QVERIFY(program.isEmpty() || set("DorrikTest.gb\\shell\\open\\command", command));
        const Status status = DesktopOpen::openGameBoyImage(image);
        RegDeleteTreeW(root, qUtf16Printable(classes + "DorrikTest.gb"));
        RegDeleteKeyValueW(root, qUtf16Printable(classes + ".gb"), nullptr);
        RegDeleteKeyW(root, qUtf16Printable(classes + ".gb")); // unless others use it
#else
        QVERIFY(TestImages::write(home.filePath("record.sh"),
                                  "printf %s \"$1\" >\"" + QFile::encodeName(record) + '"'));
        QVERIFY(TestImages::setDesktopProgram(
            home.path(), program.isEmpty() ? QString() : program + ".desktop",
            (program == "dorrik" ? "dorrik"
                                 : "sh \"" + QFile::encodeName(home.filePath("record.sh")) + '"')
                + " %f"));
        const Status status = DesktopOpen::openGameBoyImage(image);
        TestImages::unsetDesktop();
#endif
        QVERIFY2(status.ok == failure.isEmpty() && status.error.contains(failure),
                 qPrintable(status.error));
        if (failure.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(QString::fromLocal8Bit(TestImages::read(record)).trimmed(),
                                      QDir::toNativeSeparators(image), 20000);
    }

    // An emulator may hold the image open while the level is saved: the save shares the file
    // with it.
    void savesWhileAnotherProgramReadsTheImage()
    {
        QFile reader(m_image);
        QVERIFY(reader.open(QIODevice::ReadOnly));
        LevelMap map;
        map.setCell(0, 0, 0x42);
        QVERIFY(LevelAccess::WriteLevel(m_image, levelOffset(2), map));
        QCOMPARE(reader.readAll().at(levelOffset(2)), char(0x42));
    }

    // A save never extends the image: one byte short of the level's end refuses the whole
    // level and writes nothing.
    void shortImageIsNotExtended()
    {
        const QByteArray shortImage = m_bytes.left(kLevelRegionEnd - 1);
        QVERIFY(TestImages::write(m_image, shortImage));
        LevelMap map;
        map.setCell(0, 0, 0x77);
        const Status result = LevelAccess::WriteLevel(m_image, levelOffset(46), map);
        QVERIFY(!result);
        QVERIFY2(result.error.contains(QLatin1String("too short")), qPrintable(result.error));
        QCOMPARE(TestImages::read(m_image), shortImage);
        // Level 45 still fits and is written.
        QVERIFY(LevelAccess::WriteLevel(m_image, levelOffset(45), map));
        QCOMPARE(TestImages::read(m_image).size(), shortImage.size());
    }

    // Failures injected at each system call come back with their reason and leave no
    // descriptor open; permission errors are tested this way because root ignores mode bits.
    void injectedFaults_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("writing");
        QTest::newRow("open refused") << int(FileAccess::Op::Open) << EACCES << false;
        QTest::newRow("read fails") << int(FileAccess::Op::Read) << EIO << false;
        QTest::newRow("open for write refused") << int(FileAccess::Op::Open) << EROFS << true;
        QTest::newRow("write fails") << int(FileAccess::Op::Write) << ENOSPC << true;
        QTest::newRow("flush fails") << int(FileAccess::Op::Sync) << EIO << true;
        QTest::newRow("close fails") << int(FileAccess::Op::Close) << EIO << true;
    }
    void injectedFaults()
    {
        QFETCH(int, op);
        QFETCH(int, error);
        QFETCH(bool, writing);
        FileAccess::setFaultHook(
            [&](FileAccess::Op which) { return int(which) == op ? error : 0; });
        const int descriptors = TestImages::openDescriptors();
        LevelMap map;
        const Status result = writing ? LevelAccess::WriteLevel(m_image, levelOffset(1), map)
                                      : LevelAccess::ReadLevel(m_image, levelOffset(1), map);
        QVERIFY(!result);
        QCOMPARE(result.error, FileAccess::describe(error));
        QCOMPARE(TestImages::openDescriptors(), descriptors);
        if (op == int(FileAccess::Op::Open) || op == int(FileAccess::Op::Write))
            QCOMPARE(TestImages::read(m_image), m_bytes);
    }
};

QTEST_APPLESS_MAIN(RomAccessTest)
#include "tst_romaccess.moc"
