// The cartridge header as the tool sees it: checksum checks and fixes, and what info reports.
#include "TestImages.h"
#include "cli/Commands.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// 32 KiB of zeros with the title "DORRIK" and a last byte of 0xFF. By hand: the title bytes
// add up to 459, so the header checksum is (-25 - 459) mod 256 = 0x1C, and the global sum is
// 459 + 0x1C + 0xFF = 0x02E6.
QByteArray headerImage(std::uint8_t header, std::uint8_t globalHigh, std::uint8_t globalLow)
{
    QByteArray bytes(0x8000, '\0');
    bytes.replace(0x134, 6, "DORRIK");
    bytes[0x14D] = char(header);
    bytes[0x14E] = char(globalHigh);
    bytes[0x14F] = char(globalLow);
    bytes[0x7FFF] = char(0xFF);
    return bytes;
}

} // namespace

class TestCliHeader : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void checksumFix_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("checkExit");
        QTest::addColumn<QString>("globalLine");
        QTest::newRow("both wrong")
            << headerImage(0x00, 0x12, 0x34) << Commands::kExitDiffers
            << "global checksum: 0x1234 INVALID, should be 0x02CA (0x02E6 once the header "
               "checksum is fixed)";
        QTest::newRow("global wrong") << headerImage(0x1C, 0x00, 0x00) << Commands::kExitDiffers
                                      << "global checksum: 0x0000 INVALID, should be 0x02E6";
        // The global sum covers the header checksum, so fixing the header changes it too.
        QTest::newRow("header wrong, global right for it")
            << headerImage(0x00, 0x02, 0xCA) << Commands::kExitDiffers
            << "global checksum: 0x02CA valid (0x02E6 once the header checksum is fixed)";
        QTest::newRow("both right") << headerImage(0x1C, 0x02, 0xE6) << Commands::kExitOk
                                    << "global checksum: 0x02E6 valid";
    }

    void checksumFix()
    {
        QFETCH(QByteArray, image);
        QFETCH(int, checkExit);
        QFETCH(QString, globalLine);
        const QString file = m_dir.filePath("header.gb");
        QVERIFY(TestImages::write(file, image));

        const Commands::Outcome checked = Commands::run({ "checksum", file });
        QCOMPARE(checked.exitCode, checkExit);
        QVERIFY2(checked.output.contains(globalLine.toUtf8() + '\n'), checked.output.constData());
        QVERIFY(TestImages::read(file) == image);

        const Commands::Outcome fixed = Commands::run({ "checksum", file, "--fix" });
        QCOMPARE(fixed.exitCode, Commands::kExitOk);
        QByteArray expected = image;
        expected.replace(0x14D, 3, QByteArray("\x1C\x02\xE6", 3));
        QVERIFY(TestImages::read(file) == expected);
        QCOMPARE(Commands::run({ "checksum", file }).exitCode, Commands::kExitOk);
    }

    void checksumNeedsAHeader()
    {
        const QString file = m_dir.filePath("tiny.gb");
        QVERIFY(TestImages::write(file, QByteArray(0x14F, '\0')));
        const Commands::Outcome checked = Commands::run({ "checksum", file, "--fix" });
        QCOMPARE(checked.exitCode, Commands::kExitError);
        QVERIFY(checked.error.contains("too short for a cartridge header"));
        QCOMPARE(TestImages::read(file), QByteArray(0x14F, '\0'));
    }

    void info_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("small image")
            << headerImage(0x1C, 0x02, 0xE6)
            << QStringList { "size:            32768 bytes (32.0 KiB)",
                             "title:           \"DORRIK\"", "header checksum: 0x1C valid",
                             "global checksum: 0x02E6 valid", "levels:          missing" };
        QByteArray full = TestImages::patterned();
        full.replace(0x134, 16, "ABCDEFGHIJKLMNOP");
        QTest::newRow("title without NUL")
            << full
            << QStringList { "title:           \"ABCDEFGHIJKLMNOP\"",
                             "levels:          all 46 (0x14001 .. 0x17D18)" };
        QByteArray odd = headerImage(0x1C, 0x02, 0xE6);
        odd.replace(0x134, 7,
                    QByteArray("A\x01"
                               "B\xC3\0CD",
                               7));
        QTest::newRow("unprintable title")
            << odd
            << QStringList { "title:           \"A?B?\"",
                             "header checksum: 0x1C INVALID, should be 0x" };
        QTest::newRow("no header") << QByteArray(0x14F, 'x')
                                   << QStringList { "header:          none", "CRC32:           " };
    }

    void info()
    {
        QFETCH(QByteArray, image);
        QFETCH(QStringList, lines);
        const QString file = m_dir.filePath("info.gb");
        QVERIFY(TestImages::write(file, image));
        const Commands::Outcome described = Commands::run({ "info", file });
        QCOMPARE(described.exitCode, Commands::kExitOk);
        const QString output = QString::fromUtf8(described.output);
        for (const QString &line : lines)
            QVERIFY2(output.contains('\n' + line), qPrintable(output));
    }

    void infoCrc32OfAKnownImage()
    {
        // The CRC-32 check value: the nine ASCII digits give 0xCBF43926.
        const QString file = m_dir.filePath("digits.gb");
        QVERIFY(TestImages::write(file, "123456789"));
        QVERIFY(Commands::run({ "info", file }).output.contains("\nCRC32:           CBF43926\n"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCliHeader)
#include "tst_cliheader.moc"
