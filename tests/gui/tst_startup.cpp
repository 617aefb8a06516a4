// Tests of the main window's start-up: its first state, the command line and the close guard.
#include "TestImages.h"
#include "editor/frmMain.h"
#include "os/CommandLine.h"
#include "os/FileAccess.h"
#include "platform/Dialogs.h"
#include "platform/DrawingSurface.h"
#include "platform/Fonts.h"
#include "platform/ReversedScrollBar.h"
#include "rom/CBuffer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>
#include <cstdint>

class TstStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void controlsShowTheirFirstText_data();
    void controlsShowTheirFirstText();
    void stateStartsAtZero();
    void levelTableAndShadesAreFilled();
    void surfacesStartBlank();
    void startUpOpensNoFile();
    void missingImageIsNotReportedAtStartUp();

    void commandLineNamesTheImage_data();
    void commandLineNamesTheImage();

    void closeIsRefusedWhileALevelLoads();
    void unloadLeavesCancelAloneWhenIdle();

private:
    QTemporaryDir m_dir;
    QString m_image;
    QStringList m_messages;
};

void TstStartup::initTestCase()
{
    Fonts::installSubstitutions();
    QVERIFY(m_dir.isValid());
    m_image = m_dir.filePath(QStringLiteral("pebblefen.gb"));
}

void TstStartup::init()
{
    QVERIFY(TestImages::write(m_image, TestImages::patterned()));
    m_messages.clear();
    // No real dialog may ever block the run: messages are recorded, Open is cancelled.
    Dialogs::setMessageHook(
        [this](const Dialogs::Message &message) { m_messages.append(message.text); });
    Dialogs::setOpenFileHook([](const Dialogs::OpenFileRequest &) { return std::nullopt; });
}

void TstStartup::cleanup()
{
    Dialogs::setMessageHook({});
    Dialogs::setOpenFileHook({});
    FileAccess::setFaultHook({});
}

void TstStartup::controlsShowTheirFirstText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("txtTiles") << "txtTiles"
                              << "0";
    QTest::newRow("txtLevel") << "txtLevel"
                              << "";
    QTest::newRow("lblStatus") << "lblStatus"
                               << "";
    QTest::newRow("lblCoorX") << "lblCoorX"
                              << "X:";
    QTest::newRow("lblCoorY") << "lblCoorY"
                              << "Y:";
    QTest::newRow("lblTilesLeft") << "lblTilesLeft"
                                  << "Left: 00";
    QTest::newRow("lblTilesRight") << "lblTilesRight"
                                   << "Right: 00";
    QTest::newRow("lblTilesCurrent") << "lblTilesCurrent"
                                     << "Current: 00";
}

void TstStartup::controlsShowTheirFirstText()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    // An image named on the command line changes nothing before the user acts.
    frmMain window({ m_image });
    const QWidget *control = window.findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->property("text").toString(), text);
}

void TstStartup::stateStartsAtZero()
{
    frmMain window({ m_image });
    const EditorState &state = window.state();

    const auto *scrLevel = window.findChild<ReversedScrollBar *>(QStringLiteral("scrLevel"));
    const auto *scrTiles = window.findChild<ReversedScrollBar *>(QStringLiteral("scrTiles"));
    QVERIFY(scrLevel && scrTiles);
    QCOMPARE(scrLevel->number(), 1);
    QCOMPARE(scrTiles->number(), 0);

    QCOMPARE(state.intLevelNumber, 0);
    QCOMPARE(state.intSelectableTilesOffset, 0);
    QCOMPARE(state.intLeftSelectedTile, 0);
    QCOMPARE(state.intRightSelectedTile, 0);
    QCOMPARE(state.intCurrentSelectedTile, 0);
    QVERIFY(!state.boolCancelUnload);
    for (const std::uint8_t cell : state.bytLevel.bytes())
        QCOMPARE(cell, std::uint8_t { 0 });
}

void TstStartup::levelTableAndShadesAreFilled()
{
    // Start-up sets the shades, whatever they held before.
    CBuffer::lngShade = { 1, 2, 3, 4 };
    frmMain window({});

    const std::array<std::uint32_t, 4> shades = { 0xFFFFFF, 0xA9A9A9, 0x606060, 0x000000 };
    QCOMPARE(CBuffer::lngShade, shades);

    const auto &offsets = window.state().lngLevelOffset;
    QCOMPARE(offsets.size(), std::size_t { 46 });
    for (std::size_t k = 0; k < offsets.size(); ++k)
        QCOMPARE(offsets[k], static_cast<std::int32_t>(81921 + 340 * k));
    QCOMPARE(offsets[0], 0x14001);
    QCOMPARE(offsets[1], 0x14155);
    QCOMPARE(offsets[2], 0x142A9);
    QCOMPARE(offsets[45], 0x17BC5);
}

void TstStartup::surfacesStartBlank()
{
    frmMain window({ m_image });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const auto *picEditor = window.findChild<DrawingSurface *>(QStringLiteral("picEditor"));
    const auto *picTiles = window.findChild<DrawingSurface *>(QStringLiteral("picTiles"));
    QVERIFY(picEditor && picTiles);

    const QImage editor = picEditor->image();
    QVERIFY(!editor.isNull());
    const QRgb background = editor.pixel(0, 0);
    for (int y = 0; y < editor.height(); ++y) {
        for (int x = 0; x < editor.width(); ++x) {
            if (editor.pixel(x, y) != background)
                QFAIL(qPrintable(QStringLiteral("picEditor drawn at (%1, %2)").arg(x).arg(y)));
        }
    }

    const QImage palette = picTiles->image();
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            QCOMPARE(QColor(palette.pixel(x, y)), QColor(Qt::white));
    }
    // Below the white top cell the palette shows the same background as the editor.
    for (int y = 16; y < palette.height(); ++y) {
        for (int x = 0; x < palette.width(); ++x)
            QCOMPARE(palette.pixel(x, y), background);
    }
}

void TstStartup::startUpOpensNoFile()
{
    int accesses = 0;
    FileAccess::setFaultHook([&accesses](FileAccess::Op) {
        ++accesses;
        return 0;
    });
    frmMain window({ m_image });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    QCOMPARE(accesses, 0);
    QCOMPARE(window.state().strFileName, m_image);
}

void TstStartup::missingImageIsNotReportedAtStartUp()
{
    const QString missing = m_dir.filePath(QStringLiteral("not there.gb"));
    frmMain window({ missing });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
    QCOMPARE(window.state().strFileName, missing);
    const auto *lblStatus = window.findChild<QLabel *>(QStringLiteral("lblStatus"));
    QVERIFY(lblStatus);
    QCOMPARE(lblStatus->text(), QString());
}

void TstStartup::commandLineNamesTheImage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("none") << QStringList() << "";
    QTest::newRow("plain") << QStringList { "/roms/p.gb" } << "/roms/p.gb";
    QTest::newRow("quoted with a space") << QStringList { "\"/a b/c.gb\"" } << "/a b/c.gb";
    QTest::newRow("unquoted with a space") << QStringList { "/a b/c.gb" } << "/a b/c.gb";
    QTest::newRow("quotes inside") << QStringList { "/x\"y\".gb" } << "/xy.gb";
    QTest::newRow("split by the shell") << QStringList { "/my", "roms/p.gb" } << "/my roms/p.gb";
    QTest::newRow("split and quoted")
        << QStringList { "\"/my", "own", "roms/p.gb\"" } << "/my own roms/p.gb";
    QTest::newRow("only quotes") << QStringList { "\"\"" } << "";
    QTest::newRow("-reverse") << QStringList { "-reverse" } << "-reverse";
    QTest::newRow("-style x.gb") << QStringList { "-style", "x.gb" } << "-style x.gb";
    // Windows hands over the whole command line as one text; the program's name comes off it.
    const auto windows = [](const char *line) {
        return QStringList { CommandLine::afterProgramName(QString::fromUtf8(line)) };
    };
    QTest::newRow("Windows, unquoted")
        << windows("dorrik C:\\ROMs\\my  game.gb ") << "C:\\ROMs\\my  game.gb";
    QTest::newRow("Windows, quoted as Open with passes it")
        << windows("\"C:\\Program Files\\Dorrik\\dorrik.exe\" \"C:\\ROMs\\my game.gb\"")
        << "C:\\ROMs\\my game.gb";
    QTest::newRow("Windows, the name alone") << windows("\"C:\\a b\\dorrik.exe\"  ") << "";
    QTest::newRow("Windows, -reverse") << windows("dorrik.exe\t-reverse x.gb") << "-reverse x.gb";
}

void TstStartup::commandLineNamesTheImage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, fileName);

    frmMain window(arguments);
    QCOMPARE(window.state().strFileName, fileName);
    QVERIFY(m_messages.isEmpty());
}

void TstStartup::closeIsRefusedWhileALevelLoads()
{
    frmMain window({ m_image });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *btnLevel = window.findChild<QPushButton *>(QStringLiteral("btnLevel"));
    QVERIFY(btnLevel);

    // The close comes from the event processing the load does between its rows.
    bool fired = false;
    bool loadingAtClose = false;
    bool closed = true;
    bool visibleAfterClose = false;
    bool loadingAfterClose = false;
    QTimer::singleShot(0, &window, [&] {
        fired = true;
        loadingAtClose = window.state().boolCancelUnload;
        closed = window.close();
        visibleAfterClose = window.isVisible();
        loadingAfterClose = window.state().boolCancelUnload;
    });
    QTest::mouseClick(btnLevel, Qt::LeftButton);

    QVERIFY(fired);
    QVERIFY(loadingAtClose);
    QVERIFY(!closed);
    QVERIFY(visibleAfterClose);
    QVERIFY(loadingAfterClose);
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));

    // The load ran to its end: level 1 is in memory and the guard is down again.
    QCOMPARE(window.state().intLevelNumber, 1);
    QCOMPARE(window.state().bytLevel.cellAt(19, 16), TestImages::cellByte(1, 19, 16));
    QVERIFY(!window.state().boolCancelUnload);
    QVERIFY(window.isVisible());

    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
}

void TstStartup::unloadLeavesCancelAloneWhenIdle()
{
    frmMain window({ m_image });
    bool cancel = false;
    window.Form_Unload(cancel);
    QVERIFY(!cancel);
}

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
