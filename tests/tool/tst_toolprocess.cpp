// The built dorrik-tool binary: exit codes 0, 1 and 2, help, and which stream says what.
#include "TestImages.h"
#include "os/FileAccess.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

// A name whose letters differ in every code page a console may use.
const QString kUnicodeName = QStringLiteral("Léa's Ünïcode hack.gb");

class TestToolProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QByteArray edited = TestImages::patterned();
        edited[0x14001 + 6 * 340 + 20 * 2 + 3] = char(0xEE); // level 7, column 3, row 2
        QVERIFY(TestImages::write(path("a.gb"), TestImages::patterned()));
        QVERIFY(TestImages::write(path("b.gb"), edited));
        QVERIFY(TestImages::write(path(kUnicodeName), TestImages::patterned()));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@a", "@b", "@x": files in the test folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output"); // what stdout starts with
        QTest::addColumn<QByteArray>("error"); // what stderr starts with

        QTest::newRow("--help") << QStringList { "--help" } << 0
                                << QByteArray("Usage: dorrik-tool COMMAND") << QByteArray();
        for (const char *command :
             { "info", "render", "tiles", "export", "import", "diff", "checksum", "stats" })
            QTest::addRow("%s --help", command)
                << QStringList { command, "--help" } << 0
                << "Usage: dorrik-tool " + QByteArray(command) + ' ' << QByteArray();
        QTest::newRow("patch make --help")
            << QStringList { "patch", "make", "-h" } << 0
            << QByteArray("Usage: dorrik-tool patch make ORIGINAL") << QByteArray();
        QTest::newRow("identical") << QStringList { "diff", "@a", "@a" } << 0
                                   << QByteArray("differing: 0 cells") << QByteArray();
        QTest::newRow("different") << QStringList { "diff", "@a", "@b" } << 1
                                   << QByteArray("level 7 column 3 row 2: ") << QByteArray();
        QTest::newRow("checksums wrong") << QStringList { "checksum", "@a" } << 1
                                         << QByteArray("header checksum: ") << QByteArray();
        QTest::newRow("export to stdout") << QStringList { "export", "@a", "46" } << 0
                                          << QByteArray("level 46\n") << QByteArray();
        QTest::newRow("stdout on a full disk")
            << QStringList { ">/dev/full", "export", "@a" } << 2 << QByteArray()
            << QByteArray("dorrik-tool: cannot write the output: No space left on device\n");
        // The system's reason in its own words, and a name as typed, on either stream.
        const QByteArray missing = FileAccess::describe(ENOENT).toUtf8() + '\n';
        QTest::newRow("missing image")
            << QStringList { "info", "@x" } << 2 << QByteArray() << "dorrik-tool: @x: " + missing;
        QTest::newRow("missing image, non-ASCII name")
            << QStringList { "info", "@w" } << 2 << QByteArray() << "dorrik-tool: @w: " + missing;
        QTest::newRow("non-ASCII name in the output") << QStringList { "info", "@u" } << 0
                                                      << QByteArray("file:            L\xC3\xA9"
                                                                    "a's \xC3\x9Cn\xC3\xAF"
                                                                    "code hack.gb\n")
                                                      << QByteArray();
        QTest::newRow("unknown option")
            << QStringList { "stats", "@a", "--bogus" } << 2 << QByteArray()
            << QByteArray("dorrik-tool: stats: Unknown option 'bogus'");
        QTest::newRow("level 47") << QStringList { "stats", "@a", "47" } << 2 << QByteArray()
                                  << QByteArray("dorrik-tool: \"47\" is no level number");
        QTest::newRow("no command")
            << QStringList {} << 2 << QByteArray() << QByteArray("dorrik-tool: no command given");
        QTest::newRow("unknown command") << QStringList { "frobnicate" } << 2 << QByteArray()
                                         << QByteArray("dorrik-tool: unknown command");
    }

    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, error);
        for (const char *name : { "a", "b", "x", "u", "w" }) {
            const QString file = path(*name == 'u'       ? kUnicodeName
                                          : *name == 'w' ? QStringLiteral("Wrenné's missing.gb")
                                                         : name + QStringLiteral(".gb"));
            arguments.replaceInStrings(QStringLiteral("@") + name, file);
            error.replace("@" + QByteArray(name), file.toUtf8());
        }

        QProcess tool;
        if (arguments.value(0).startsWith('>')) {
            if (!QFileInfo::exists(arguments.first().mid(1)))
                QSKIP("this system has no /dev/full");
            tool.setStandardOutputFile(arguments.takeFirst().mid(1));
        }
        tool.start(QStringLiteral(DORRIK_TOOL_PATH), arguments);
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        // Text on Windows ends its lines with CR LF, as its programs expect.
        const QByteArray stdoutText = tool.readAllStandardOutput().replace("\r\n", "\n");
        const QByteArray stderrText = tool.readAllStandardError().replace("\r\n", "\n");
        QVERIFY2(stdoutText.startsWith(output), stdoutText.left(200).constData());
        QVERIFY2(stderrText.startsWith(error), stderrText.constData());
        QCOMPARE(stdoutText.isEmpty(), output.isEmpty());
        QCOMPARE(stderrText.isEmpty(), error.isEmpty());
        QCOMPARE(tool.exitCode(), exitCode);
        QVERIFY(TestImages::read(path("a.gb")) == TestImages::patterned());
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestToolProcess)
#include "tst_toolprocess.moc"
