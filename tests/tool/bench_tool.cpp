// Timing of the tool's heavier commands on a 1 MiB image: the contact sheet and patch making.
#include "Commands.h"
#include "TestImages.h"

#include <QTemporaryDir>
#include <QtTest>

class BenchTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QByteArray original = TestImages::patterned();
        const qsizetype patternedSize = original.size();
        original.resize(1024 * 1024);
        for (qsizetype i = patternedSize; i < original.size(); ++i)
            original[i] = char((i * 167 + (i >> 9)) & 0xFF);
        // A typical session's edit: some cells in several levels and a stretch of other data.
        QByteArray edited = original;
        for (int level = 1; level <= 46; level += 5)
            edited[0x14001 + 340 * (level - 1) + 100] = char(level);
        edited.replace(0x40000, 4096, QByteArray(4096, '\x55'));
        QVERIFY(TestImages::write(path("original.gb"), original));
        QVERIFY(TestImages::write(path("edited.gb"), edited));
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
        QTest::newRow("ips") << "ips";
        QTest::newRow("bps") << "bps";
    }

    void patchMake()
    {
        QFETCH(QString, format);
        const QString patch = path("p." + format);
        QBENCHMARK
        {
            QCOMPARE(Commands::run(
                         { "patch", "make", path("original.gb"), path("edited.gb"), "-o", patch })
                         .exitCode,
                     Commands::kExitOk);
        }
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(BenchTool)
#include "bench_tool.moc"
