// Every command that reads or writes the image against every way the image can fail.
#include "EditorHarness.h"
#include "platform/ReversedScrollBar.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <cerrno>
#include <functional>

using namespace RomLayout;

namespace {

enum class Command {
    Open,
    LoadLevel1,
    LoadLevel46,
    NextLevel,
    PreviousLevel,
    PaletteBarTo78,
    PaletteBarTo0,
    Add10,
    Minus10,
    HoverTile94,
    HoverTile95,
    PressTile95,
    Paint,
    SaveLevel1,
    SaveLevel46,
};

// A command, the state it starts from and what it needs of the file to succeed.
struct CommandInfo
{
    Command command;
    const char *name;
    int level; // the level loaded before the command
    int offset; // the palette position before the command
    int needs; // the file length the command's reads or its write reach
    int opens; // the accesses a successful run makes
    bool pointer; // a pointer-driven read: reports in the status line, never in a box
    bool writes;
};

constexpr int kLevelOneEnd = levelOffset(1) + kLevelBytes;

// The left tile is the palette position + 2 and the right one + 3 (see setUp). A press on tile
// 95 reads tiles 95 and 81; "+10" from 68 draws tiles 78..95 twice; a load reads the level and
// all 256 tiles; Open reads the palette at position 20, then level 1 and all 256 tiles.
const CommandInfo kCommands[] = {
    { Command::Open, "Open", 3, 20, kLevelOneEnd, 3, false, false },
    { Command::LoadLevel1, "Load Level 1", 1, 20, kLevelOneEnd, 2, false, false },
    { Command::LoadLevel46, "Load Level 46", 46, 20, kLevelRegionEnd, 2, false, false },
    { Command::NextLevel, "Next Level 45 to 46", 45, 20, kLevelRegionEnd, 2, false, false },
    { Command::PreviousLevel, "Previous Level 2 to 1", 2, 20, kLevelOneEnd, 2, false, false },
    { Command::PaletteBarTo78, "palette bar 77 to 78", 3, 77, tileOffset(96), 1, false, false },
    { Command::PaletteBarTo0, "palette bar 1 to 0", 3, 1, tileOffset(18), 1, false, false },
    { Command::Add10, "+10 from 68", 3, 68, tileOffset(96), 2, false, false },
    { Command::Minus10, "-10 from 10", 3, 10, tileOffset(18), 2, false, false },
    { Command::HoverTile94, "hover on tile 94", 3, 77, tileOffset(95), 1, true, false },
    { Command::HoverTile95, "hover on tile 95", 3, 78, tileOffset(96), 1, true, false },
    { Command::PressTile95, "press on tile 95", 3, 78, tileOffset(96), 2, true, false },
    { Command::Paint, "paint (press and drag)", 3, 20, 0, 0, false, false },
    { Command::SaveLevel1, "Save level 1", 1, 20, kLevelOneEnd, 1, false, true },
    { Command::SaveLevel46, "Save level 46", 46, 20, kLevelRegionEnd, 1, false, true },
};

enum class Fault {
    Missing,
    DeletedAfterChosen,
    RenamedAfterChosen,
    Directory,
    Fifo,
    CharDevice,
    Length,
    Injected,
    Replaced,
};

struct FaultInfo
{
    const char *name;
    Fault kind;
    const char *reason; // what the report must say
    const char *otherReason = nullptr; // or this
    int length = -1; // Length: the file's length
    FileAccess::Op op = FileAccess::Op::Open; // Injected: the call that fails
    int error = 0; // Injected: its errno
    int nth = 0; // Injected: only the nth such call of the command fails (0: every one)
};

using Op = FileAccess::Op;
#ifdef Q_OS_WIN
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif
const char *const kNoFile = "No such file or directory";
const char *const kShort = "too short";

const FaultInfo kFaults[] = {
    { "missing", Fault::Missing, kNoFile },
    { "deleted after it was chosen", Fault::DeletedAfterChosen, kNoFile },
    { "renamed after it was chosen", Fault::RenamedAfterChosen, kNoFile },
    { "a directory", Fault::Directory, "directory" },
    // Opening a FIFO for writing with no reader fails at once (ENXIO); for reading it opens and
    // is then refused.
    { "a FIFO", Fault::Fifo, "not a regular file", "No such device or address" },
    { "a character device", Fault::CharDevice, "not a regular file" },
    { "length 0", Fault::Length, kShort, nullptr, 0 },
    { "length 1", Fault::Length, kShort, nullptr, 1 },
    { "length 0x11000", Fault::Length, kShort, nullptr, 0x11000 },
    { "length 0x11001 + 16*95 (tiles 0..94)", Fault::Length, kShort, nullptr, tileOffset(95) },
    { "length 0x14000", Fault::Length, kShort, nullptr, 0x14000 },
    { "length 0x17D18", Fault::Length, kShort, nullptr, kLevelRegionEnd - 1 },
    { "no read permission", Fault::Injected, "Permission denied", nullptr, -1, Op::Open, EACCES },
    { "read-only file system", Fault::Injected, "Read-only file system", nullptr, -1, Op::Open,
      EROFS },
    { "disk full while writing", Fault::Injected, "No space left on device", nullptr, -1, Op::Write,
      ENOSPC },
    { "write fails", Fault::Injected, "Input/output error", nullptr, -1, Op::Write, EIO },
    { "flush fails", Fault::Injected, "Input/output error", nullptr, -1, Op::Sync, EIO },
    { "read fails", Fault::Injected, "Input/output error", nullptr, -1, Op::Read, EIO },
    { "close fails", Fault::Injected, "Input/output error", nullptr, -1, Op::Close, EIO },
    { "second open fails", Fault::Injected, "Permission denied", nullptr, -1, Op::Open, EACCES, 2 },
    { "third open fails", Fault::Injected, "Permission denied", nullptr, -1, Op::Open, EACCES, 3 },
    // A signal during a call interrupts it (EINTR): the call is made again, and a close is done
    // even so; nothing fails.
    { "open interrupted", Fault::Injected, "", nullptr, -1, Op::Open, EINTR, 1 },
    { "read interrupted", Fault::Injected, "", nullptr, -1, Op::Read, EINTR, 1 },
    { "write interrupted", Fault::Injected, "", nullptr, -1, Op::Write, EINTR, 1 },
    { "close interrupted", Fault::Injected, "", nullptr, -1, Op::Close, EINTR, 1 },
    { "replaced by another image", Fault::Replaced, "" },
};

enum class Outcome {
    Succeeds,
    Fails,
    // "+10" and "-10" draw the palette twice (once from the bar's change handler); when only
    // one of the two draws fails the command reports it and still ends drawn.
    ReportsAndCompletes,
};

// Cells that make no sense are left out of the table.
bool applies(const CommandInfo &command, const FaultInfo &fault)
{
    // Only Open chooses a file just before reading it; for the others the file was chosen
    // before the set-up, so "deleted since" is the "missing" row.
    if (fault.kind == Fault::DeletedAfterChosen)
        return command.command == Command::Open;
    // Never save to a device: the FIFO and directory rows cover saving to something that is no
    // file.
    if (fault.kind == Fault::CharDevice)
        return !command.writes && (command.command == Command::Open || !kWindows);
    // Windows' pipes and devices have names of their own, no place in a folder: only Open can
    // be pointed at one. Nothing there interrupts a call.
    if (kWindows && (fault.kind == Fault::Fifo || fault.error == EINTR))
        return fault.kind == Fault::Fifo && command.command == Command::Open;
    // A read-only file system refuses only opens for writing, and the hook cannot tell a read's
    // open from a write's.
    if (fault.kind == Fault::Injected && fault.error == EROFS)
        return command.writes;
    return true;
}

Outcome expectedOutcome(const CommandInfo &command, const FaultInfo &fault)
{
    const auto failsIf = [](bool condition) {
        return condition ? Outcome::Fails : Outcome::Succeeds;
    };
    switch (fault.kind) {
    case Fault::Replaced:
        return Outcome::Succeeds;
    case Fault::Length:
        return failsIf(fault.length < command.needs);
    case Fault::Injected:
        if (fault.error == EINTR)
            return Outcome::Succeeds;
        if (fault.nth > 0) {
            if (command.opens < fault.nth)
                return Outcome::Succeeds;
            if (command.command == Command::Add10 || command.command == Command::Minus10)
                return Outcome::ReportsAndCompletes;
            return Outcome::Fails;
        }
        switch (fault.op) {
        case Op::Open:
        case Op::Close:
            return failsIf(command.opens > 0);
        case Op::Read:
            return failsIf(command.opens > 0);
        case Op::Write:
        case Op::Sync:
            return failsIf(command.writes);
        }
        break;
    default:
        break;
    }
    return failsIf(command.opens > 0);
}

QByteArray inverted(QByteArray bytes)
{
    for (char &byte : bytes)
        byte = static_cast<char>(~byte);
    return bytes;
}

QImage tileFrom(const QByteArray &file, int tile)
{
    return TestImages::expectedTile(TestImages::tileBytesOf(file, tile));
}

int cellFrom(const QByteArray &file, int level, int column, int row)
{
    return static_cast<std::uint8_t>(file.at(levelOffset(level) + cellIndex(column, row)));
}

using TestImages::withLevel;

using Entries = QMap<QString, QByteArray>;
using TestImages::entriesUnder;
using TestImages::entryAt;

// Reading a FIFO would block the test: only regular files are read.
bool regularFile(const QString &path)
{
    return entryAt(path).startsWith("file ");
}

void removeEntry(const QString &path)
{
    if (entryAt(path) == "directory")
        QDir().rmdir(path);
    else
        ::unlink(QFile::encodeName(path).constData());
}

// Everything a failed command must leave as it was, besides the files.
struct Snapshot
{
    EditorState state;
    QStringList texts;
    QList<QImage> surfaces;
    int levelBar = 0;
    QString status; // not kept on failure: it then holds the report
};

const char *const kTexts[] = { "txtTiles",      "txtLevel", "lblTilesCurrent", "lblTilesLeft",
                               "lblTilesRight", "lblCoorX", "lblCoorY" };
const char *const kSurfaces[]
    = { "picEditor", "picTiles", "picTilesLeft", "picTilesCurrent", "picTilesRight" };

ReversedScrollBar *levelBar(EditorHarness &h)
{
    return h.get<ReversedScrollBar>("scrLevel");
}

ReversedScrollBar *paletteBar(EditorHarness &h)
{
    return h.get<ReversedScrollBar>("scrTiles");
}

Snapshot snapshot(EditorHarness &h)
{
    Snapshot s { h.state(), {}, {}, levelBar(h)->number(), h.text("lblStatus") };
    for (const char *name : kTexts)
        s.texts.append(h.text(name));
    for (const char *name : kSurfaces)
        s.surfaces.append(h.surface(name)->image());
    return s;
}

void pointAt(EditorHarness &h, int slot)
{
    emit h.surface("picTiles")->mouseMove(0, 0, 8.0f, 16.0f * static_cast<float>(slot) + 4.0f);
}

void press(EditorHarness &h, const char *surface, int button, float x, float y)
{
    emit h.surface(surface)->mouseDown(button, 0, x, y);
}

// Runs one command the way the user gives it. Open's dialog chooses path; afterChoice runs
// between the choice and the editor's first read.
void runCommand(EditorHarness &h, Command command, const QString &path,
                const std::function<void()> &afterChoice)
{
    const auto trigger = [&h](const char *name) {
        h.get<QAction>(name)->trigger();
    };
    switch (command) {
    case Command::Open:
        Dialogs::setOpenFileHook([&h, path, afterChoice](const Dialogs::OpenFileRequest &request) {
            h.openRequests.append(request);
            if (afterChoice)
                afterChoice();
            return std::optional<QString>(path);
        });
        trigger("mnuOpen");
        break;
    case Command::LoadLevel1:
    case Command::LoadLevel46:
        h.get<QPushButton>("btnLevel")->click();
        break;
    case Command::NextLevel:
        trigger("mnuNextLevel");
        break;
    case Command::PreviousLevel:
        trigger("mnuPreviousLevel");
        break;
    case Command::PaletteBarTo78:
        paletteBar(h)->setNumber(78);
        break;
    case Command::PaletteBarTo0:
        paletteBar(h)->setNumber(0);
        break;
    case Command::Add10:
        h.get<QPushButton>("btnAdd10")->click();
        break;
    case Command::Minus10:
        h.get<QPushButton>("btnMinus10")->click();
        break;
    case Command::HoverTile94:
    case Command::HoverTile95:
        pointAt(h, 17);
        break;
    case Command::PressTile95:
        press(h, "picTiles", DrawingSurface::LeftButton, 8.0f, 8.0f);
        break;
    case Command::Paint:
        press(h, "picEditor", DrawingSurface::LeftButton, 16.0f * 5 + 3, 16.0f * 6 + 3);
        emit h.surface("picEditor")
            ->mouseMove(DrawingSurface::LeftButton, 0, 16.0f * 6 + 3, 16.0f * 6 + 3);
        break;
    case Command::SaveLevel1:
    case Command::SaveLevel46:
        trigger("mnuSave");
        break;
    }
}

int levelAfter(Command command, int level)
{
    switch (command) {
    case Command::Open:
    case Command::PreviousLevel:
        return 1;
    case Command::NextLevel:
        return 46;
    default:
        return level;
    }
}

int paletteAfter(Command command, int offset)
{
    switch (command) {
    case Command::PaletteBarTo78:
    case Command::Add10:
        return 78;
    case Command::PaletteBarTo0:
    case Command::Minus10:
        return 0;
    default:
        return offset;
    }
}

void installCountingHook(EditorHarness &h)
{
    FileAccess::setFaultHook([&h](Op op) {
        if (op == Op::Open)
            ++h.opens;
        return 0;
    });
}

} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT

    int m_cells = 0;
    int m_succeeding = 0;
    int m_failing = 0;

    // A level loaded, a palette position, left and right tiles, one cell painted: a map that
    // differs from the file, so a save has something to write and a failed load something to
    // keep.
    static void setUp(EditorHarness &h, const CommandInfo &command)
    {
        if (levelBar(h)->number() == command.level)
            levelBar(h)->setNumber(command.level == 1 ? 2 : 1);
        levelBar(h)->setNumber(command.level);
        h.get<QPushButton>("btnLevel")->click();
        paletteBar(h)->setNumber(command.offset);
        pointAt(h, 2);
        press(h, "picTiles", DrawingSurface::LeftButton, 8.0f, 8.0f);
        pointAt(h, 3);
        press(h, "picTiles", DrawingSurface::RightButton, 8.0f, 8.0f);
        press(h, "picEditor", DrawingSurface::LeftButton, 16.0f + 3, 16.0f + 3);
        if (command.command == Command::PressTile95)
            pointAt(h, 17);
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(h.state().intLevelNumber, command.level);
        QCOMPARE(h.state().intSelectableTilesOffset, command.offset);
        QCOMPARE(h.state().intLeftSelectedTile, command.offset + 2);
        QVERIFY(h.state().bytLevel.cellAt(1, 1) != cellFrom(h.bytes, command.level, 1, 1));
    }

    static bool hasReason(const QString &text, const FaultInfo &fault)
    {
        // An injected failure and a missing file read as the system words them.
        const QString reason = fault.kind == Fault::Injected ? FileAccess::describe(fault.error)
            : fault.reason == kNoFile                        ? FileAccess::describe(ENOENT)
                                                             : QLatin1String(fault.reason);
        return text.contains(reason)
            || (fault.otherReason && text.contains(QLatin1String(fault.otherReason)));
    }

    // A command's failure: once in a box and in the status line, or only in the status line
    // for the pointer; either way naming the file and the reason.
    static void verifyReported(EditorHarness &h, const CommandInfo &command, const FaultInfo &fault,
                               const QString &path)
    {
        const QString status = h.text("lblStatus");
        QVERIFY2(status.contains(path), qPrintable(status));
        QVERIFY2(hasReason(status, fault), qPrintable(status));
        if (command.pointer) {
            QVERIFY(h.messages.isEmpty());
            return;
        }
        QCOMPARE(h.messages.size(), 1);
        const Dialogs::Message &message = h.messages.first();
        QCOMPARE(message.icon, Dialogs::Icon::Critical);
        QCOMPARE(message.title, QStringLiteral("Dorrik"));
        QCOMPARE(message.text, status);
    }

    static void verifyUnchanged(EditorHarness &h, const Snapshot &before)
    {
        const EditorState &now = h.state();
        QCOMPARE(now.strFileName, before.state.strFileName);
        QCOMPARE(now.intLevelNumber, before.state.intLevelNumber);
        QCOMPARE(now.intSelectableTilesOffset, before.state.intSelectableTilesOffset);
        QCOMPARE(now.intCurrentSelectedTile, before.state.intCurrentSelectedTile);
        QCOMPARE(now.intLeftSelectedTile, before.state.intLeftSelectedTile);
        QCOMPARE(now.intRightSelectedTile, before.state.intRightSelectedTile);
        QCOMPARE(now.boolCancelUnload, before.state.boolCancelUnload);
        QVERIFY(now.bytLevel == before.state.bytLevel);
        QVERIFY(now.lngLevelOffset == before.state.lngLevelOffset);
        QCOMPARE(levelBar(h)->number(), before.levelBar);
        for (std::size_t i = 0; i < std::size(kTexts); ++i)
            QCOMPARE(h.text(kTexts[i]), before.texts.at(static_cast<qsizetype>(i)));
        for (std::size_t i = 0; i < std::size(kSurfaces); ++i) {
            QVERIFY2(h.surface(kSurfaces[i])->image()
                         == before.surfaces.at(static_cast<qsizetype>(i)),
                     kSurfaces[i]);
        }
    }

    static void verifyLevelShown(EditorHarness &h, const QByteArray &file, int level)
    {
        QCOMPARE(h.state().intLevelNumber, level);
        QCOMPARE(h.text("txtLevel"), QString::number(level));
        QCOMPARE(levelBar(h)->number(), level);
        for (int row = 0; row < kLevelRows; ++row) {
            for (int column = 0; column < kLevelColumns; ++column) {
                const int tile = cellFrom(file, level, column, row);
                QCOMPARE(h.state().bytLevel.cellAt(column, row), tile);
                QVERIFY2(h.cell("picEditor", column, row) == tileFrom(file, tile),
                         qPrintable(QStringLiteral("cell %1,%2").arg(column).arg(row)));
            }
        }
    }

    static void verifyPaletteShown(EditorHarness &h, const QByteArray &file, int first)
    {
        QCOMPARE(h.state().intSelectableTilesOffset, first);
        QCOMPARE(h.text("txtTiles"), QString::number(first));
        for (int slot = 0; slot < 18; ++slot) {
            QVERIFY2(h.cell("picTiles", 0, slot) == tileFrom(file, first + slot),
                     qPrintable(QStringLiteral("slot %1").arg(slot)));
        }
    }

    // The command did its work on file (the bytes at path before it ran). With reportedFault,
    // one failure of it was reported on the way.
    static void verifySucceeded(EditorHarness &h, const CommandInfo &command, const QString &path,
                                const QByteArray &file, const Snapshot &before,
                                const FaultInfo *reportedFault)
    {
        const EditorState &state = h.state();
        const int level = levelAfter(command.command, before.state.intLevelNumber);
        const int left = before.state.intLeftSelectedTile;
        switch (command.command) {
        case Command::Open:
            QCOMPARE(state.strFileName, path);
            QCOMPARE(h.text("lblStatus"), path + QStringLiteral(" was successfully loaded."));
            verifyLevelShown(h, file, level);
            verifyPaletteShown(h, file, before.state.intSelectableTilesOffset);
            break;
        case Command::LoadLevel1:
        case Command::LoadLevel46:
        case Command::NextLevel:
        case Command::PreviousLevel:
            QVERIFY2(h.text("lblStatus").startsWith(QLatin1String("Loaded in: ")),
                     qPrintable(h.text("lblStatus")));
            verifyLevelShown(h, file, level);
            break;
        case Command::PaletteBarTo78:
        case Command::PaletteBarTo0:
        case Command::Add10:
        case Command::Minus10:
            verifyPaletteShown(
                h, file, paletteAfter(command.command, before.state.intSelectableTilesOffset));
            break;
        case Command::HoverTile94:
        case Command::HoverTile95: {
            const int tile = command.command == Command::HoverTile94 ? 94 : 95;
            QCOMPARE(state.intCurrentSelectedTile, tile);
            QCOMPARE(h.text("lblTilesCurrent"),
                     frmMain::TileNumberText(QStringLiteral("Current: "), tile));
            QVERIFY(h.surface("picTilesCurrent")->image() == tileFrom(file, tile));
            break;
        }
        case Command::PressTile95: {
            const int right = before.state.intRightSelectedTile;
            QCOMPARE(state.intLeftSelectedTile, 95);
            QCOMPARE(state.intRightSelectedTile, right);
            QCOMPARE(h.text("lblTilesLeft"), QStringLiteral("Left: 5F"));
            QVERIFY(h.surface("picTilesLeft")->image() == tileFrom(file, 95));
            QVERIFY(h.surface("picTilesRight")->image() == tileFrom(file, right));
            break;
        }
        case Command::Paint: {
            LevelMap expected = before.state.bytLevel;
            expected.setCell(5, 6, left);
            expected.setCell(6, 6, left);
            QVERIFY(state.bytLevel == expected);
            QVERIFY(h.cell("picEditor", 5, 6) == h.surface("picTilesLeft")->image());
            QVERIFY(h.cell("picEditor", 6, 6) == h.surface("picTilesLeft")->image());
            QCOMPARE(h.text("lblStatus"), before.status);
            break;
        }
        case Command::SaveLevel1:
        case Command::SaveLevel46:
            QCOMPARE(TestImages::read(path), withLevel(file, level, state.bytLevel));
            break;
        }
        if (QTest::currentTestFailed())
            return;
        if (reportedFault) {
            verifyReported(h, command, *reportedFault, path);
        } else if (command.writes) {
            QCOMPARE(h.messages.size(), 1);
            QCOMPARE(h.messages.first().icon, Dialogs::Icon::Exclamation);
            QCOMPARE(h.messages.first().text, QStringLiteral("The file was successfully saved."));
        } else {
            QVERIFY(h.messages.isEmpty());
        }
    }

    static void verifyFiles(const Entries &actual, const Entries &expected)
    {
        QCOMPARE(actual.keys(), expected.keys());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QVERIFY2(actual.value(it.key()) == it.value(), qPrintable(it.key() + " changed"));
    }

    // A save whose flush or close failed has written its bytes; nothing outside the level may
    // have changed, and each of the level's bytes is the old one or the new one.
    static void verifyOnlyLevelWritten(const QByteArray &now, const QByteArray &before,
                                       const QByteArray &intended, int level)
    {
        QCOMPARE(now.size(), before.size());
        QVERIFY(now.left(levelOffset(level)) == before.left(levelOffset(level)));
        QVERIFY(now.mid(levelOffset(level) + kLevelBytes)
                == before.mid(levelOffset(level) + kLevelBytes));
        for (int i = levelOffset(level); i < levelOffset(level) + kLevelBytes; ++i)
            QVERIFY(now.at(i) == before.at(i) || now.at(i) == intended.at(i));
    }

    static void verifyWindowUsable(EditorHarness &h)
    {
        QVERIFY(h.window->isEnabled());
        QVERIFY(h.get<QPushButton>("btnLevel")->isEnabled());
        QVERIFY(levelBar(h)->isEnabled());
        QVERIFY(!h.state().boolCancelUnload);
    }

private slots:
    void initTestCase() { Fonts::installSubstitutions(); }

    void cleanupTestCase()
    {
        qInfo("command x fault cells tried: %d (%d where the command succeeds, %d where it fails)",
              m_cells, m_succeeding, m_failing);
    }

    void commandAgainstFault_data()
    {
        QTest::addColumn<int>("commandIndex");
        QTest::addColumn<int>("faultIndex");
        for (int c = 0; c < int(std::size(kCommands)); ++c) {
            for (int f = 0; f < int(std::size(kFaults)); ++f) {
                if (applies(kCommands[c], kFaults[f]))
                    QTest::addRow("%s | %s", kCommands[c].name, kFaults[f].name) << c << f;
            }
        }
    }

    // The command runs against the fault; a failure is reported by the rule for its kind and
    // leaves the editor, the labels, the surfaces and the files as they were, with no
    // descriptor open; once a good file is back, the same command succeeds. A command that
    // needs nothing the fault takes away succeeds, and makes no write unless it is Save.
    void commandAgainstFault()
    {
        QFETCH(int, commandIndex);
        QFETCH(int, faultIndex);
        const CommandInfo &command = kCommands[commandIndex];
        const FaultInfo &fault = kFaults[faultIndex];
        const Outcome outcome = expectedOutcome(command, fault);
        const bool opening = command.command == Command::Open;

        EditorHarness h;
        setUp(h, command);
        if (QTest::currentTestFailed())
            return;

        // Open works on a second image, with other bytes than the one being edited so that
        // anything drawn from it shows, except for the row that replaces the edited one.
        const QString other = h.dir.filePath(QStringLiteral("other.gb"));
        const QString moved = h.dir.filePath(QStringLiteral("moved.gb"));
        const QByteArray good = opening ? inverted(h.bytes) : h.bytes;
        QString path = opening && fault.kind != Fault::Replaced ? other : h.image;
        if (opening)
            QVERIFY(TestImages::write(other, good));

        std::function<void()> afterChoice;
        switch (fault.kind) {
        case Fault::Missing:
            removeEntry(path);
            break;
        case Fault::DeletedAfterChosen:
            afterChoice = [path] {
                removeEntry(path);
            };
            break;
        case Fault::RenamedAfterChosen:
            if (opening)
                afterChoice = [path, moved] {
                    QFile::rename(path, moved);
                };
            else
                QVERIFY(QFile::rename(path, moved));
            break;
        case Fault::Directory:
            removeEntry(path);
            QVERIFY(QDir().mkdir(path));
            break;
        case Fault::Fifo:
            removeEntry(path);
            path = TestImages::makeFifo(path);
            QVERIFY(!path.isEmpty());
            break;
        case Fault::CharDevice:
            if (opening) {
                path = TestImages::device();
            } else {
                removeEntry(path);
                QVERIFY(QFile::link(TestImages::device(), path));
            }
            break;
        case Fault::Length:
            QVERIFY(TestImages::write(path, good.left(fault.length)));
            break;
        case Fault::Injected:
            break;
        case Fault::Replaced:
            QVERIFY(TestImages::write(path, inverted(TestImages::read(path))));
            break;
        }

        const Snapshot before = snapshot(h);
        Entries filesBefore = entriesUnder(h.dir.path());
        const QByteArray fileBefore = regularFile(path) ? TestImages::read(path) : QByteArray();
        QList<Op> calls;
        int seen = 0;
        FileAccess::setFaultHook([&](Op op) {
            calls.append(op);
            if (op == Op::Open)
                ++h.opens;
            if (fault.kind != Fault::Injected || op != fault.op)
                return 0;
            return fault.nth == 0 || ++seen == fault.nth ? fault.error : 0;
        });
        h.messages.clear();
        // A save over a level changed since it was loaded asks first; here the user says Yes.
        h.answer = true;
        const int descriptors = TestImages::openDescriptors();
        runCommand(h, command.command, path, afterChoice);
        QCOMPARE(TestImages::openDescriptors(), descriptors);
        QCOMPARE(h.questions.size(), command.writes && fault.kind == Fault::Replaced ? 1 : 0);
        installCountingHook(h);
        ++m_cells;
        ++(outcome == Outcome::Fails ? m_failing : m_succeeding);

        verifyWindowUsable(h);
        if (command.command == Command::Paint)
            QVERIFY2(calls.isEmpty(), "painting touched the file");
        if (!command.writes)
            QVERIFY(!calls.contains(Op::Write) && !calls.contains(Op::Sync));

        // What the files should be now, when the command changed none of them.
        if (fault.kind == Fault::DeletedAfterChosen)
            filesBefore.remove(QFileInfo(path).fileName());
        if (fault.kind == Fault::RenamedAfterChosen && opening)
            filesBefore.insert(QFileInfo(moved).fileName(),
                               filesBefore.take(QFileInfo(path).fileName()));
        const QString pathName = QDir(h.dir.path()).relativeFilePath(path);
        const Entries filesAfter = entriesUnder(h.dir.path());

        if (outcome != Outcome::Fails) {
            verifySucceeded(h, command, path, fileBefore, before,
                            outcome == Outcome::ReportsAndCompletes ? &fault : nullptr);
            if (command.writes)
                filesBefore.insert(pathName,
                                   entryAt(path)); // the contents were checked above
            verifyFiles(filesAfter, filesBefore);
            return;
        }

        verifyReported(h, command, fault, path);
        if (QTest::currentTestFailed())
            return;
        verifyUnchanged(h, before);
        if (QTest::currentTestFailed())
            return;
        if (command.writes && fault.kind == Fault::Injected
            && (fault.op == Op::Sync || fault.op == Op::Close)) {
            const int level = before.state.intLevelNumber;
            verifyOnlyLevelWritten(TestImages::read(path), fileBefore,
                                   withLevel(fileBefore, level, before.state.bytLevel), level);
            filesBefore.insert(pathName, entryAt(path));
        }
        verifyFiles(filesAfter, filesBefore);
        if (QTest::currentTestFailed())
            return;

        // A good file back where the fault was, as the user would put it, and the same command
        // again. The palette bar is where the failed change left it or back where it was; it
        // has to change for its handler to run.
        if (path == TestImages::device() || !path.startsWith(h.dir.path())) // NUL, a pipe
            path = other;
        QVERIFY(path.startsWith(h.dir.path())); // never touch anything outside the test's dir
        removeEntry(path);
        QVERIFY(TestImages::write(path, good));
        const int barTarget = paletteAfter(command.command, -1);
        if ((command.command == Command::PaletteBarTo78
             || command.command == Command::PaletteBarTo0)
            && paletteBar(h)->number() == barTarget)
            paletteBar(h)->setNumber(before.state.intSelectableTilesOffset);
        const Snapshot again = snapshot(h);
        h.messages.clear();
        runCommand(h, command.command, path, {});
        verifySucceeded(h, command, path, good, again, nullptr);
        verifyWindowUsable(h);
    }
};

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
