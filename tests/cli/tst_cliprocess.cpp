// The built dorrik-tool binary: exit codes 0, 1 and 2, help, and which stream says what.
#include "TestImages.h"
#include "os/FileAccess.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

// A name whose letters differ in every code page a console may use.
const QString kUnicodeName = QStringLiteral("Léa's Ünïcode hack.gb");

class TestCliProcess : public QObject
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
        QVERIFY(TestImages::write(path("c.gb"), TestImages::patterned()));
        // A white row of tiles with a damaged tRNS chunk, which libpng warns about: the sheet is
        // refused for it.
        QImage sheet(128, 8, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QVERIFY(sheet.save(path("s.png")));
        QByteArray png = TestImages::read(path("s.png"));
        png.insert(33, QByteArray("\0\0\0\6tRNS\0\1\0\1\0\1\0\0\0\0", 18));
        QVERIFY(TestImages::write(path("s.png"), png));
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
        // Within the stdio buffer, so only the flush at exit can find the disk full.
        QTest::newRow("one level to a full disk")
            << QStringList { ">/dev/full", "export", "@a", "1" } << 2 << QByteArray()
            << QByteArray("dorrik-tool: cannot write the output: No space left on device\n");
        QTest::newRow("libpng's warning is the refusal's reason, said once")
            << QStringList { "tiles", "import", "@c", "@s" } << 2 << QByteArray()
            << QByteArray("dorrik-tool: @s: cannot be read as a PNG picture: its transparency "
                          "(tRNS) is damaged: its CRC32 does not match\n");
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
#ifdef Q_OS_WIN
        // Windows' devices, whatever folder they are named in: written as they are, never read.
        QTest::newRow("output to NUL") << QStringList { "export", "@a", "1", "-o", "NUL" } << 0
                                       << QByteArray("wrote 1 level to NUL") << QByteArray();
        QTest::newRow("info NUL") << QStringList { "info", "NUL" } << 2 << QByteArray()
                                  << QByteArray("dorrik-tool: NUL: it is not a regular file\n");
#endif
    }

    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, error);
        arguments.replaceInStrings(QStringLiteral("@s"), path(QStringLiteral("s.png")));
        error.replace("@s", path(QStringLiteral("s.png")).toUtf8());
        for (const char *name : { "a", "b", "c", "x", "u", "w" }) {
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

    // -o naming a FIFO or a device writes into it and leaves it what it was; a full device or
    // file system is refused with the system's reason, and leaves the old output as it was.
    void outputThatIsNoPlainFile_data()
    {
        QTest::addColumn<QString>("output"); // made by the test: fifo*, null* (1,3), full* (1,7)
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("FIFO") << "fifo.txt" << QStringList { "export", "@a", "3" } << QByteArray();
        QTest::newRow("device") << "null.png" << QStringList { "render", "@a", "1" }
                                << QByteArray();
        QTest::newRow("full device") << "full.bps" << QStringList { "patch", "make", "@a", "@b" }
                                     << QByteArray("No space left on device\n");
        QTest::newRow("full file system") << "small/levels.txt" << QStringList { "export", "@a" }
                                          << QByteArray("No space left on device\n");
        QTest::newRow("full file system, picture")
            << "small/sheet.png" << QStringList { "render", "@a", "--all" }
            << QByteArray("No space left on device\n");
    }

    void outputThatIsNoPlainFile()
    {
#ifdef Q_OS_LINUX
        QFETCH(QString, output);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, error);
        QTemporaryDir dir;
        const QString out = dir.filePath(output);
        const QString small = dir.filePath("small");
        if (!output.startsWith("fifo") && ::geteuid() != 0)
            QSKIP("devices and mounts need root");
        int reader = -1;
        if (output.startsWith("fifo")) {
            QCOMPARE(::mkfifo(qPrintable(out), 0600), 0);
            reader = ::open(qPrintable(out), O_RDONLY | O_NONBLOCK);
        } else if (!output.startsWith("small")) {
            const auto minor = output.startsWith("null") ? 3 : 7;
            QCOMPARE(::mknod(qPrintable(out), S_IFCHR | 0600, makedev(1, minor)), 0);
        } else {
            // 16 KiB of its own, mounted where only this test (and the tool it starts) sees it.
            QVERIFY(QDir(dir.path()).mkdir("small"));
            if (::unshare(CLONE_NEWNS) != 0
                || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
                || ::mount("tmpfs", qPrintable(small), "tmpfs", 0, "size=16k") != 0)
                QSKIP("no file system of its own can be mounted here");
            QVERIFY(TestImages::write(out, "old levels\n"));
        }
        struct stat before
        {
        };
        QCOMPARE(::lstat(qPrintable(out), &before), 0);
        for (const char *name : { "a", "b" })
            arguments.replaceInStrings(QStringLiteral("@") + name,
                                       path(name + QStringLiteral(".gb")));
        QProcess tool;
        tool.start(QStringLiteral(DORRIK_TOOL_PATH), arguments << "-o" << out);
        QVERIFY(tool.waitForFinished(10000));
        const QByteArray stderrText = tool.readAllStandardError();
        QCOMPARE(tool.exitCode(), error.isEmpty() ? 0 : 2);
        QVERIFY2(stderrText.endsWith(": " + error) || stderrText == error, stderrText.constData());
        struct stat after
        {
        };
        QCOMPARE(::lstat(qPrintable(out), &after), 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        if (reader >= 0) {
            char text[16] = {};
            QCOMPARE(::read(reader, text, 8), 8);
            QCOMPARE(QByteArray(text), QByteArray("level 3\n"));
            ::close(reader);
        }
        if (output.startsWith("small")) {
            QCOMPARE(QDir(small).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                     QStringList { QFileInfo(out).fileName() });
            QCOMPARE(TestImages::read(out), QByteArray("old levels\n"));
            QCOMPARE(::umount2(qPrintable(small), MNT_DETACH), 0);
        }
#else
        QSKIP("FIFOs, device nodes and mounts are Linux's");
#endif
    }

    // An existing output keeps what cp keeps: a link is followed only where the kernel would
    // follow it, a second name sees the new bytes, the owner, group and mode stay, and a plain
    // file of the user's own is replaced by a new one renamed into place.
    void outputsKeepLinksAndOwners_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("written");
        QTest::newRow("another's link in a sticky folder") << "planted link" << false;
        QTest::newRow("own link in a sticky folder") << "own link" << true;
        QTest::newRow("second name") << "hard link" << true;
        QTest::newRow("another's file") << "foreign owner" << true;
        QTest::newRow("own file") << "own file" << true;
    }

    void outputsKeepLinksAndOwners()
    {
#ifdef Q_OS_LINUX
        QFETCH(QString, kind);
        QFETCH(bool, written);
        if (::geteuid() != 0 && (kind == "planted link" || kind == "foreign owner"))
            QSKIP("giving a file to another user needs root");
        QTemporaryDir dir;
        const QByteArray sticky = QFile::encodeName(dir.filePath("sticky"));
        QVERIFY(QDir(dir.path()).mkdir("sticky"));
        QCOMPARE(::chmod(sticky.constData(), 01777), 0);
        const QString notes = dir.filePath("notes.txt");
        QVERIFY(TestImages::write(notes, "notes\n"));
        QCOMPARE(::chmod(qPrintable(notes), 0640), 0);
        QString out = notes;
        if (kind.endsWith("link") && kind != "hard link") {
            out = dir.filePath("sticky/out.txt");
            QCOMPARE(::symlink(qPrintable(notes), qPrintable(out)), 0);
            if (kind == "planted link")
                QCOMPARE(::lchown(qPrintable(out), 65534, 65534), 0);
        }
        if (kind == "hard link") {
            out = dir.filePath("second.txt");
            QCOMPARE(::link(qPrintable(notes), qPrintable(out)), 0);
        }
        if (kind == "foreign owner")
            QCOMPARE(::chown(qPrintable(notes), 65534, 65534), 0);
        struct stat before
        {
        };
        QCOMPARE(::stat(qPrintable(notes), &before), 0);

        QProcess tool;
        tool.start(QStringLiteral(DORRIK_TOOL_PATH), { "export", path("a.gb"), "1", "-o", out });
        QVERIFY(tool.waitForFinished(10000));
        const QByteArray stderrText = tool.readAllStandardError();
        QCOMPARE(tool.exitCode(), written ? 0 : 2);
        struct stat after
        {
        };
        QCOMPARE(::stat(qPrintable(notes), &after), 0);
        QCOMPARE(TestImages::read(notes).startsWith("level 1\n"), written);
        if (!written)
            QVERIFY2(stderrText.contains("symbolic link in a sticky folder"), stderrText.data());
        QCOMPARE(TestImages::read(out), TestImages::read(notes));
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_nlink, before.st_nlink);
        // A file with a second name is written into; one whose owner the new file can take (as
        // root can) is renamed over.
        QCOMPARE(after.st_ino == before.st_ino, kind == "hard link" || !written);
#else
        QSKIP("links, owners and sticky folders as Linux has them");
#endif
    }

private:
    QString path(const QString &name) const
    {
        return m_dir.filePath(name);
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
