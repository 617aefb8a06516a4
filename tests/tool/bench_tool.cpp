// Timing of the tool's heavier commands on a 1 MiB image: the contact sheet and patch making;
// then patch making on a 4 MiB image, the BPS patch sizes of typical edits, and peak memory.
#include "Bps.h"
#include "Commands.h"
#include "TestImages.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <random>
#include <sys/resource.h>

namespace {

QByteArray image(qsizetype size)
{
    QByteArray bytes = TestImages::patterned();
    const qsizetype patternedSize = bytes.size();
    bytes.resize(size);
    for (qsizetype i = patternedSize; i < size; ++i)
        bytes[i] = char((i * 167 + (i >> 9)) & 0xFF);
    return bytes;
}

// A typical session's edit: some cells in several levels and a stretch of other data.
QByteArray typicalEdit(QByteArray bytes)
{
    for (int level = 1; level <= 46; level += 5)
        bytes[0x14001 + 340 * (level - 1) + 100] = char(level);
    bytes.replace(0x40000, 4096, QByteArray(4096, '\x55'));
    return bytes;
}

QByteArray inserted(QByteArray bytes)
{
    return bytes.insert(0x50000, QByteArray("thirty-seven bytes of new level data!"));
}

QByteArray everyByteChanged(QByteArray bytes)
{
    std::mt19937 random(7);
    for (char &byte : bytes)
        byte = char(byte ^ (1 + random() % 255));
    return bytes;
}

} // namespace

class BenchTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QByteArray original = image(1024 * 1024);
        QVERIFY(TestImages::write(path("original.gb"), original));
        QVERIFY(TestImages::write(path("edited.gb"), typicalEdit(original)));
        const QByteArray large = image(4 * 1024 * 1024);
        QVERIFY(TestImages::write(path("original-4m.gb"), large));
        QVERIFY(TestImages::write(path("edited-4m.gb"), typicalEdit(large)));
        QVERIFY(TestImages::write(path("inserted-4m.gb"), inserted(large)));
        QVERIFY(TestImages::write(path("changed-4m.gb"), everyByteChanged(large)));
    }

    void renderAll()
    {
        QBENCHMARK
        {
            QCOMPARE(
                Commands::run({ "render", path("original.gb"), "--all", "-o", path("all.png") })
                    .exitCode,
                Commands::kExitOk);
        }
    }

    void patchMake_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("original");
        QTest::addColumn<QString>("edited");
        const auto row
            = [](const char *name, const char *format, const char *original, const char *edited) {
                  QTest::newRow(name) << QString(format) << QString(original) << QString(edited);
              };
        row("ips", "ips", "original.gb", "edited.gb");
        row("bps", "bps", "original.gb", "edited.gb");
        row("bps 4 MiB", "bps", "original-4m.gb", "edited-4m.gb");
        row("bps 4 MiB insertion", "bps", "original-4m.gb", "inserted-4m.gb");
        row("bps 4 MiB every byte", "bps", "original-4m.gb", "changed-4m.gb");
    }

    void patchMake()
    {
        QFETCH(QString, format);
        QFETCH(QString, original);
        QFETCH(QString, edited);
        const QString patch = path("p." + format);
        QBENCHMARK
        {
            QCOMPARE(Commands::run({ "patch", "make", path(original), path(edited), "-o", patch })
                         .exitCode,
                     Commands::kExitOk);
        }
    }

    // Not timed: prints "patch_bytes CASE BYTES IN_PLACE_BYTES TARGET" lines for tools/bench.sh.
    void patchSizes()
    {
        const QByteArray original = image(1024 * 1024);
        QByteArray moved = original;
        moved.replace(0x80000, 0x10000, original.mid(0x20123, 0x10000));
        QByteArray cells = original;
        for (int cell = 0; cell < 40; ++cell)
            cells[0x14001 + 340 * cell + cell % 20] = char(0x80 + cell);
        const struct
        {
            const char *name;
            QByteArray edited;
            qsizetype target;
        } cases[] = { { "37-bytes-inserted", inserted(original), 100 },
                      { "64-KiB-block-copied", moved, 64 },
                      { "40-cells-in-place", cells, 0 },
                      { "every-byte-differs", everyByteChanged(original),
                        original.size() + original.size() / 1000 } };
        for (const auto &edit : cases) {
            QByteArray patch, inPlace;
            QVERIFY(Bps::make(original, edit.edited, patch));
            QVERIFY(Bps::makeInPlace(original, edit.edited, inPlace));
            std::printf("patch_bytes %s %lld %lld %lld\n", edit.name,
                        static_cast<long long>(patch.size()),
                        static_cast<long long>(inPlace.size()),
                        static_cast<long long>(edit.target ? edit.target : inPlace.size()));
        }
    }

    void peakMemory()
    {
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("peak_rss_mb %.1f\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
        std::fflush(stdout);
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(BenchTool)
#include "bench_tool.moc"
