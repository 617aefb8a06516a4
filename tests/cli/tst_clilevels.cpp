// Levels as text (export, import) and the cell list of diff, run as the commands run them.
#include "TestImages.h"
#include "cli/Commands.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Where a level cell lies in the image; spelt out here so that a wrong offset in the tool
// cannot hide behind the same formula.
qsizetype cellOffset(int level, int column, int row)
{
    return 0x14001 + 340 * (level - 1) + 20 * row + column;
}

// An image whose level bytes are all different from the patterned filler outside them.
QByteArray image()
{
    QByteArray bytes = TestImages::patterned();
    bytes[cellOffset(1, 0, 0)] = char(0xFF);
    bytes[cellOffset(46, 19, 16)] = char(0xA0);
    return bytes;
}

using Cell = QList<int>; // level, column, row, new tile

QByteArray hex2(int byte)
{
    return QByteArray::number(0x100 | (byte & 0xFF), 16).toUpper().mid(1);
}

} // namespace

class TestCliLevels : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void exportThenImportLeavesTheImageAlone()
    {
        QVERIFY(TestImages::write(path("a.gb"), image()));
        const Commands::Outcome exported
            = Commands::run({ "export", path("a.gb"), "-o", path("levels.txt") });
        QCOMPARE(exported.exitCode, Commands::kExitOk);
        const QList<QByteArray> lines = TestImages::read(path("levels.txt")).split('\n');
        QCOMPARE(lines.at(0), QByteArray("level 1"));
        QCOMPARE(lines.at(1).left(6), QByteArray("FF 0E "));
        QCOMPARE(lines.at(1).size(), 20 * 3 - 1);
        QCOMPARE(lines.at(19), QByteArray("level 2"));
        QCOMPARE(lines.at(20).left(6), QByteArray("16 19 ")); // (22 + 3c) % 96 in hex
        QCOMPARE(lines.count("level 46"), 1);

        QVERIFY(TestImages::write(path("b.gb"), image()));
        const Commands::Outcome imported
            = Commands::run({ "import", path("b.gb"), path("levels.txt") });
        QCOMPARE(imported.exitCode, Commands::kExitOk);
        QVERIFY(TestImages::read(path("b.gb")) == image());
    }

    void exportsTheNamedLevelsOnce()
    {
        QVERIFY(TestImages::write(path("a.gb"), image()));
        const Commands::Outcome exported = Commands::run({ "export", path("a.gb"), "9", "2", "9" });
        QCOMPARE(exported.exitCode, Commands::kExitOk);
        const QList<QByteArray> lines = exported.output.split('\n');
        QCOMPARE(lines.size(), 2 * 19 + 1);
        QCOMPARE(lines.at(0), QByteArray("level 2"));
        QCOMPARE(lines.at(19), QByteArray("level 9"));
    }

    void importAndDiffSeeTheSameCells_data()
    {
        QTest::addColumn<QList<Cell>>("cells");
        QTest::newRow("one cell") << QList<Cell> { { 7, 3, 12, 0x2B } };
        QTest::newRow("corners of the level region")
            << QList<Cell> { { 1, 0, 0, 0x00 }, { 46, 19, 16, 0xFF } };
        QTest::newRow("row ends in two levels")
            << QList<Cell> { { 3, 19, 0, 0x10 }, { 3, 0, 1, 0x11 }, { 4, 0, 16, 0x12 } };
    }

    void importAndDiffSeeTheSameCells()
    {
        QFETCH(QList<Cell>, cells);
        const QByteArray before = image();
        QVERIFY(TestImages::write(path("a.gb"), before));
        QVERIFY(TestImages::write(path("b.gb"), before));
        QByteArray text = Commands::run({ "export", path("a.gb") }).output;
        QList<QByteArray> lines = text.split('\n');
        QByteArray expectedImage = before;
        QByteArray expectedDiff;
        for (const Cell &cell : cells) {
            const int level = cell[0], column = cell[1], row = cell[2], tile = cell[3];
            QByteArray &line = lines[(level - 1) * 19 + 1 + row];
            line.replace(column * 3, 2, hex2(tile));
            expectedImage[cellOffset(level, column, row)] = char(tile);
            expectedDiff += QStringLiteral("level %1 column %2 row %3: %4 -> %5\n")
                                .arg(level)
                                .arg(column)
                                .arg(row)
                                .arg(hex2(before[cellOffset(level, column, row)]), hex2(tile))
                                .toUtf8();
        }
        QVERIFY(TestImages::write(path("edited.txt"), lines.join('\n')));
        QCOMPARE(Commands::run({ "import", path("b.gb"), path("edited.txt") }).exitCode,
                 Commands::kExitOk);
        QVERIFY(TestImages::read(path("b.gb")) == expectedImage);

        const Commands::Outcome diff = Commands::run({ "diff", path("a.gb"), path("b.gb") });
        QCOMPARE(diff.exitCode, Commands::kExitDiffers);
        QVERIFY(diff.output.startsWith(expectedDiff));
        QVERIFY(diff.output.endsWith(", 0 other bytes outside the levels\n"));
        QCOMPARE(diff.output.count('\n'), cells.size() + 1);
    }

    void diffCountsBytesOutsideTheLevels()
    {
        QByteArray other = image();
        other[0x14000] = char(~other[0x14000]); // just before level 1
        other[0x17D19] = char(~other[0x17D19]); // just after level 46
        other.append("xyz");
        QVERIFY(TestImages::write(path("a.gb"), image()));
        QVERIFY(TestImages::write(path("b.gb"), other));
        const Commands::Outcome diff = Commands::run({ "diff", path("a.gb"), path("b.gb") });
        QCOMPARE(diff.exitCode, Commands::kExitDiffers);
        QCOMPARE(diff.output,
                 QByteArray("differing: 0 cells in 0 levels, 5 other bytes outside the "
                            "levels (3 of them the difference in length)\n"));
        QCOMPARE(Commands::run({ "diff", path("a.gb"), path("a.gb") }).exitCode, Commands::kExitOk);
    }

    void refusesMalformedText_data()
    {
        QTest::addColumn<QByteArray>("fault"); // replaces line 'line' of a valid export
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("reason");

        const QByteArray row = QByteArray("00 ").repeated(19) + "00";
        QTest::newRow("hex digit G") << QByteArray("00 0G").append(row.mid(5)) << 3 << ":3:4:"
                                     << "\"0G\" is no tile number";
        QTest::newRow("three digits") << QByteArray("000").append(row.mid(2)) << 3 << ":3:1:"
                                      << "\"000\"";
        QTest::newRow("19 numbers") << row.left(57) << 3 << ":3:57:"
                                    << "has 19 tile numbers";
        QTest::newRow("21 numbers") << row + " 00" << 3 << ":3:61:"
                                    << "this is number 21";
        QTest::newRow("level 0") << QByteArray("level 0") << 39 << ":39:7:"
                                 << "\"0\" is no level";
        QTest::newRow("level 47") << QByteArray("level 47") << 39 << ":39:7:"
                                  << "\"47\"";
        QTest::newRow("level twice") << QByteArray("level 1") << 39 << ":39:7:"
                                     << "second time";
        QTest::newRow("level with junk") << QByteArray("level 3 x") << 39 << ":39:9:"
                                         << "\"x\"";
        QTest::newRow("rows before a level") << row << 1 << ":1:1:"
                                             << "outside a level";
        QTest::newRow("18th row") << row << 19 << ":19:1:"
                                  << "already has its 17 rows";
        QTest::newRow("level cut short") << QByteArray("level 2") << 18 << ":18:1:"
                                         << "level 1 ends after 16 rows";
    }

    void refusesMalformedText()
    {
        QFETCH(QByteArray, fault);
        QFETCH(int, line);
        QFETCH(QString, where);
        QFETCH(QString, reason);

        QVERIFY(TestImages::write(path("a.gb"), image()));
        QList<QByteArray> lines
            = Commands::run({ "export", path("a.gb"), "1", "2", "3" }).output.split('\n');
        lines[line - 1] = fault;
        // The faulty line comes after a valid level 1 with changed cells, which must not be
        // written either.
        lines[1] = QByteArray("7E ").repeated(19) + "7E";
        QVERIFY(TestImages::write(path("bad.txt"), lines.join('\n')));

        const Commands::Outcome imported
            = Commands::run({ "import", path("a.gb"), path("bad.txt") });
        QCOMPARE(imported.exitCode, Commands::kExitError);
        QVERIFY2(imported.error.startsWith(path("bad.txt") + where), qPrintable(imported.error));
        QVERIFY2(imported.error.contains(reason), qPrintable(imported.error));
        QVERIFY(TestImages::read(path("a.gb")) == image());
    }

    void importAcceptsHandEditedText()
    {
        QVERIFY(TestImages::write(path("a.gb"), image()));
        QByteArray text = Commands::run({ "export", path("a.gb"), "2" }).output;
        // Windows line ends, a comment, extra spaces and lower-case digits, as editors leave them.
        text.replace("level 2\n", "# from the demo\n  level   2\t\n");
        text.replace("\n16 19 ", "\n16  ab\t");
        text.replace("\n", "\r\n");
        QVERIFY(TestImages::write(path("edited.txt"), text));
        QCOMPARE(Commands::run({ "import", path("a.gb"), path("edited.txt") }).exitCode,
                 Commands::kExitOk);
        QByteArray expected = image();
        expected[cellOffset(2, 1, 0)] = char(0xAB);
        QVERIFY(TestImages::read(path("a.gb")) == expected);
    }

    void statsCountsTileUses()
    {
        QByteArray bytes = image();
        bytes.replace(cellOffset(1, 0, 0), 340, QByteArray(300, '\x0A') + QByteArray(40, '\x0B'));
        QVERIFY(TestImages::write(path("a.gb"), bytes));
        QCOMPARE(Commands::run({ "stats", path("a.gb"), "1" }).output,
                 QByteArray("tile  uses  share\n"
                            "0A    300   88.2%\n"
                            "0B     40   11.8%\n"
                            "2 different tiles in 340 cells of level 1\n"));
        QVERIFY(Commands::run({ "stats", path("a.gb") })
                    .output.endsWith(" different tiles in 15640 cells of all 46 levels\n"));
    }

    void refusesImagesTooShortForTheLevels()
    {
        QVERIFY(TestImages::write(path("a.gb"), image()));
        QVERIFY(TestImages::write(path("levels.txt"),
                                  Commands::run({ "export", path("a.gb") }).output));
        const QByteArray shortImage = image().left(0x17D18); // one byte short of level 46's end
        QVERIFY(TestImages::write(path("short.gb"), shortImage));
        const Commands::Outcome imported
            = Commands::run({ "import", path("short.gb"), path("levels.txt") });
        QCOMPARE(imported.exitCode, Commands::kExitError);
        QVERIFY(imported.error.contains("too short"));
        QVERIFY(TestImages::read(path("short.gb")) == shortImage);
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCliLevels)
#include "tst_clilevels.moc"
