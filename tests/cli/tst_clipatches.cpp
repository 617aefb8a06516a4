// The patch commands over files: what they write, what they refuse, and that inputs stay as
// they were. The formats themselves are tested in memory beside the patch library.
#include "TestImages.h"
#include "cli/Commands.h"

#include <QTemporaryDir>
#include <QtTest>

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

        const Commands::Outcome applied = Commands::run(
            { "patch", "apply", path("other.gb"), path("p.bps"), "-o", path("out.gb") });
        QCOMPARE(applied.exitCode, Commands::kExitError);
        QVERIFY2(applied.error.contains("another image"), qPrintable(applied.error));
        QVERIFY(!QFileInfo::exists(path("out.gb")));
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

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCliPatches)
#include "tst_clipatches.moc"
