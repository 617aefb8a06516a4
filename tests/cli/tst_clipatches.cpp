// The patch commands over files: what they write, what they refuse, and that inputs stay as
// they were. The formats themselves are tested in memory beside the patch library.
#include "TestImages.h"
#include "base/Hex.h"
#include "cli/Commands.h"
#include "rom/CartridgeHeader.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

using Edits = QList<QByteArray>;

// image with bytes written at offset.
QByteArray with(QByteArray image, qsizetype at, const QByteArray &bytes)
{
    return image.replace(at, bytes.size(), bytes);
}

// A level cell's offset in an image, and the cell written with its own bits flipped.
qsizetype cellAt(int level, int column, int row)
{
    return RomLayout::levelOffset(level) + RomLayout::cellIndex(column, row);
}
QByteArray flipCell(const QByteArray &image, int level, int column, int row)
{
    return with(image, cellAt(level, column, row),
                QByteArray(1, char(~TestImages::cellByte(level, column, row))));
}

} // namespace

class TestCliPatches : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void roundTripThroughFiles_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("ips") << "ips";
        QTest::newRow("bps") << "bps";
    }

    void roundTripThroughFiles()
    {
        QFETCH(QString, format);
        const QByteArray original = TestImages::patterned();
        QByteArray target = original;
        target[0x2000] = 'X';
        target.append("grown");
        QVERIFY(TestImages::write(path("original.gb"), original));
        QVERIFY(TestImages::write(path("edited.gb"), target));
        const QString patch = path("change." + format);

        const Commands::Outcome made = Commands::run(
            { "patch", "make", path("original.gb"), path("edited.gb"), "-o", patch });
        QVERIFY2(made.exitCode == Commands::kExitOk, qPrintable(made.error));
        const Commands::Outcome applied
            = Commands::run({ "patch", "apply", path("original.gb"), patch, "-o", path("out.gb") });
        QVERIFY2(applied.exitCode == Commands::kExitOk, qPrintable(applied.error));
        QVERIFY(TestImages::read(path("out.gb")) == target);
        QVERIFY(TestImages::read(path("original.gb")) == original);
    }

    void bpsRefusesAnotherImage_data()
    {
        QTest::addColumn<QByteArray>("other");
        QByteArray changed = TestImages::patterned();
        changed[0x100] = char(changed[0x100] ^ 1);
        QTest::newRow("one byte changed") << changed;
        QTest::newRow("one byte shorter") << TestImages::patterned().chopped(1);
    }

    void bpsRefusesAnotherImage()
    {
        QFETCH(QByteArray, other);
        QByteArray target = TestImages::patterned();
        target[0x2000] = 'X';
        QVERIFY(TestImages::write(path("a.gb"), TestImages::patterned()));
        QVERIFY(TestImages::write(path("b.gb"), target));
        QVERIFY(TestImages::write(path("other.gb"), other));
        QFile::remove(path("out.gb"));
        QCOMPARE(Commands::run({ "patch", "make", path("a.gb"), path("b.gb"), "-o", path("p.bps") })
                     .exitCode,
                 Commands::kExitOk);

        // Listing and combining check the patch as applying does.
        for (const QString command : { "apply", "changes", "combine" }) {
            QStringList arguments { "patch", command, path("other.gb"), path("p.bps") };
            if (command != "changes")
                arguments += QStringList { "-o", path("out.gb") };
            const Commands::Outcome applied = Commands::run(arguments);
            QCOMPARE(applied.exitCode, Commands::kExitError);
            QVERIFY2(applied.error.contains("another image"), qPrintable(applied.error));
            QVERIFY(!QFileInfo::exists(path("out.gb")));
        }
    }

    void changesListing_data()
    {
        QTest::addColumn<QByteArray>("edited");
        QTest::addColumn<bool>("brief");
        QTest::addColumn<QString>("listing");
        const QByteArray original = TestImages::patterned();
        const auto cellChange = [](int level, int column, int row) {
            const std::uint8_t before = TestImages::cellByte(level, column, row);
            return QStringLiteral("(%1,%2) %3->%4")
                .arg(QString::number(column), QString::number(row), Hex::digits(before, 2),
                     Hex::digits(std::uint8_t(~before), 2));
        };
        // Levels grouped, columns before rows, a level's last cell kept in it.
        const QByteArray cells
            = flipCell(flipCell(flipCell(original, 2, 3, 4), 2, 19, 16), 5, 0, 0);
        QTest::newRow("cells, level by level") << cells << false
                                               << "level 2: 2 cells: " + cellChange(2, 3, 4) + ", "
                + cellChange(2, 19, 16) + "\nlevel 5: 1 cell: " + cellChange(5, 0, 0) + "\n";
        QTest::newRow("cells counted") << cells << true << "level 2: 2 cells\nlevel 5: 1 cell\n";
        // Tiles start one byte past 0x11000: its last byte belongs to tile 40, 0x11000 to none.
        QByteArray tiles = with(original, RomLayout::tileOffset(0x2F), "\x01\x02");
        for (const int tile : { 0x30, 0x31 })
            tiles = with(tiles, RomLayout::tileOffset(tile) + 15, "\x03");
        tiles = with(with(tiles, RomLayout::tileOffset(0x41) - 1, "\x04"), 0x11000, "\x05");
        QTest::newRow("tiles as ranges, a byte before them")
            << tiles << false << "tiles 2F-31, 40\nbytes 0x11000 (1 byte)\n";
        QTest::newRow("header fields by name, other bytes, growth")
            << with(with(with(original, 0x134, "ZZ"), 0x147, "\x7F"), 0x3000, "wxyz")
                + QByteArray(16, 'g')
            << false
            << "header: title, cartridge type\nbytes 0x3000-0x3003 (4 bytes)\n"
               "size 131072 -> 131088 bytes\n";
        QTest::newRow("nothing") << original << false << "no changes\n";
    }

    void changesListing()
    {
        QFETCH(QByteArray, edited);
        QFETCH(bool, brief);
        QFETCH(QString, listing);
        for (const QString &patch : { path("p.ips"), path("p.bps") }) {
            QVERIFY(makePatch(edited, patch));
            QStringList arguments { "patch", "changes", path("original.gb"), patch };
            if (brief)
                arguments.append("--brief");
            const Commands::Outcome listed = Commands::run(arguments);
            QCOMPARE(listed.exitCode, Commands::kExitOk);
            QCOMPARE(QString::fromUtf8(listed.output), listing);
        }
    }

    // Patches a.ips, b.bps, c.ips from the edits, combined in both orders: the listing of the
    // collisions (nothing written), or the combined image, in OUTPUT or through a patch to it.
    void combine_data()
    {
        QTest::addColumn<Edits>("edits");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("collisions");
        QTest::addColumn<QByteArray>("combined");
        const QByteArray original = TestImages::patterned();
        const QByteArray cell = flipCell(original, 12, 3, 4);
        const auto fixed = [](QByteArray image) {
            return CartridgeHeader::fix(image), image;
        };
        QTest::newRow("the same cell set alike, others apart") << Edits {
            flipCell(cell, 1, 5, 5), cell, with(original, RomLayout::tileOffset(2), "t")
        } << "out.gb" << QString() << with(flipCell(cell, 1, 5, 5), RomLayout::tileOffset(2), "t");
        QTest::newRow("one cell set differently")
            << Edits { with(original, cellAt(12, 3, 4), "\x1A"),
                       with(original, cellAt(12, 3, 4), "\x2B") }
            << "out.gb"
            << "level 12 (3,4): a.ips sets 1A, b.bps sets 2B\n"
            << QByteArray();
        QTest::newRow("one tile's graphics, a title, set differently")
            << Edits { with(with(original, RomLayout::tileOffset(0x2F) + 15, "1"), 0x134, "A"),
                       with(with(original, RomLayout::tileOffset(0x2F) + 14, "22"), 0x134, "B") }
            << "out.gb"
            << "header title: a.ips and b.bps both change it\n"
               "tile 2F: a.ips and b.bps both change its graphics\n"
            << QByteArray();
        QTest::newRow("other bytes, three patches")
            << Edits { with(original, 0x3000, "aa"), with(original, 0x3001, "b"),
                       with(original, 0x3000, "c") }
            << "out.gb"
            << "bytes 0x3000-0x3001: a.ips, b.bps and c.ips all change them\n"
            << QByteArray();
        // Each patch fixed the checksums for its own edit; the combined image gets its own.
        QTest::newRow("checksums set, through a patch")
            << Edits { fixed(cell), fixed(with(original, 0x3000, "a")) } << "out.bps" << QString()
            << fixed(with(cell, 0x3000, "a"));
        QTest::newRow("one grows, the others keep the size")
            << Edits { cell, original + "grown", with(original, 0x3000, "a") } << "out.ips"
            << QString() << with(cell, 0x3000, "a") + "grown";
        QTest::newRow("two grow differently")
            << Edits { original + "grown", original + "grown further" } << "out.gb"
            << "size: a.ips makes it 131077 bytes, b.bps makes it 131085 bytes\n"
            << QByteArray();
    }

    void combine()
    {
        QFETCH(Edits, edits);
        QFETCH(QString, output);
        QFETCH(QString, collisions);
        QFETCH(QByteArray, combined);
        QStringList patches;
        for (qsizetype i = 0; i < edits.size(); ++i) {
            patches.append(path(QStringList { "a.ips", "b.bps", "c.ips" }[i]));
            QVERIFY(makePatch(edits[i], patches.last()));
        }
        for (int order = 0; order < 2; ++order) {
            QFile::remove(path(output));
            std::reverse(patches.begin(), patches.end()); // given z to a, then a to z
            const Commands::Outcome outcome = Commands::run(
                QStringList { "patch", "combine", path("original.gb"), "-o", path(output) }
                + patches);
            if (!collisions.isEmpty()) {
                QCOMPARE(outcome.exitCode, Commands::kExitError);
                QCOMPARE(QString::fromUtf8(outcome.output).remove(m_dir.path() + "/"), collisions);
                QVERIFY(!QFileInfo::exists(path(output)));
                continue;
            }
            QVERIFY2(outcome.exitCode == Commands::kExitOk, qPrintable(outcome.error));
            QCOMPARE(outcome.output.contains("checksums set"),
                     CartridgeHeader::globalChecksum(combined).valid());
            if (!output.endsWith(".gb"))
                QCOMPARE(Commands::run({ "patch", "apply", path("original.gb"), path(output), "-o",
                                         path("out.gb") })
                             .exitCode,
                         Commands::kExitOk);
            QVERIFY(TestImages::read(path("out.gb")) == combined);
        }
        QVERIFY(TestImages::read(path("original.gb")) == TestImages::patterned());
    }

    // A refused patch is named in the error, and neither the output nor the image changes.
    void refusedPatchWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("patch");
        QTest::addColumn<QString>("reason");
        QTest::newRow("neither format") << QByteArray("HELLO") << "neither";
        QTest::newRow("ips data cut short") << QByteArray("PATCH\x00\x00\x01\x00\x05"
                                                          "ab",
                                                          12)
                                            << "only 2 remain";
        QTest::newRow("bps shorter than its CRCs")
            << QByteArray("BPS1\x90\x90\x80", 7) << "truncated";
    }

    void refusedPatchWritesNothing()
    {
        QFETCH(QByteArray, patch);
        QFETCH(QString, reason);
        const QByteArray original("0123456789abcdef");
        QVERIFY(TestImages::write(path("original.gb"), original));
        QVERIFY(TestImages::write(path("bad.patch"), patch));
        QVERIFY(TestImages::write(path("out.gb"), "untouched"));

        const Commands::Outcome applied = Commands::run(
            { "patch", "apply", path("original.gb"), path("bad.patch"), "-o", path("out.gb") });
        QCOMPARE(applied.exitCode, Commands::kExitError);
        QVERIFY2(applied.error.contains(reason), qPrintable(applied.error));
        QVERIFY(applied.error.startsWith(path("bad.patch") + ": "));
        QCOMPARE(TestImages::read(path("out.gb")), QByteArray("untouched"));
        QCOMPARE(TestImages::read(path("original.gb")), original);
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Writes the patterned image as original.gb, and a patch from it to edited as patch.
    bool makePatch(const QByteArray &edited, const QString &patch)
    {
        return TestImages::write(path("original.gb"), TestImages::patterned())
            && TestImages::write(path("edited.gb"), edited)
            && Commands::run(
                   { "patch", "make", path("original.gb"), path("edited.gb"), "-o", patch })
                   .exitCode
            == Commands::kExitOk;
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCliPatches)
#include "tst_clipatches.moc"
