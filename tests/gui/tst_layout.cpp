// Tests of the main window's layout as shown: geometry, fonts, menus, keys, tab order and steppers.
#include "ScrollBarArrows.h"
#include "TestImages.h"
#include "WindowGeometry.h"
#include "about/frmAbout.h"
#include "editor/frmMain.h"
#include "platform/Dialogs.h"
#include "platform/DrawingSurface.h"
#include "platform/Fonts.h"
#include "platform/ReversedScrollBar.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {

bool showAndActivate(QWidget &window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return false;
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}

} // namespace

class TstLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowIsFixedWithCaptionAndIcon();
    void controlsSitAtTheirPlaces_data();
    void controlsSitAtTheirPlaces();
    void surfacesHaveWholeCellsInside();
    void controlsAnswerOverTheirWholeFace_data();
    void controlsAnswerOverTheirWholeFace();
    void pointerAtTheLastPixelNamesTheLastCell();

    void labelsAndFramesUseCourierNew();
    void numberBoxes_data();
    void numberBoxes();
    void courierNewResolvesToLiberationMono();

    void menusHoldTheirCommands();
    void ctrlOAsksForAFile();
    void levelKeysAndSaveAct();

    void tabVisitsTheControlsInOrder();
    void paletteGridLinesAreDrawn();

    void scrollBarArrowsStepTheNumber_data();
    void scrollBarArrowsStepTheNumber();
    void setNumberSignalsOnlyRealChanges();

private:
    QTemporaryDir m_dir;
    QString m_image;
    QStringList m_messages;
    QList<Dialogs::OpenFileRequest> m_openRequests;
};

void TstLayout::initTestCase()
{
    Fonts::installSubstitutions();
    QVERIFY(m_dir.isValid());
    m_image = m_dir.filePath(QStringLiteral("pebblefen.gb"));
}

void TstLayout::init()
{
    QVERIFY(TestImages::write(m_image, TestImages::patterned()));
    m_messages.clear();
    m_openRequests.clear();
    Dialogs::setMessageHook([this](const Dialogs::Message &message) {
        m_messages.append(message.title + QLatin1Char('|') + message.text);
    });
    Dialogs::setOpenFileHook([this](const Dialogs::OpenFileRequest &request) {
        m_openRequests.append(request);
        return std::optional<QString>();
    });
}

void TstLayout::cleanup()
{
    Dialogs::setMessageHook({});
    Dialogs::setOpenFileHook({});
}

void TstLayout::windowIsFixedWithCaptionAndIcon()
{
    frmMain window({});
    QVERIFY(showAndActivate(window));

    QCOMPARE(window.windowTitle(), QStringLiteral("Dorrik v1.0 - Pebblefen Editor"));
    QVERIFY(window.centralWidget());
    QCOMPARE(window.centralWidget()->size(), WindowGeometry::kClientSize);

    const bool fixedConstraint = window.layout()->sizeConstraint() == QLayout::SetFixedSize;
    QVERIFY(fixedConstraint || window.minimumSize() == window.maximumSize());
    QCOMPARE(window.minimumSize(), window.size());
    QCOMPARE(window.maximumSize(), window.size());

    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));

    const QIcon icon = window.windowIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    QCOMPARE(icon.pixmap(QSize(32, 32)).size(), QSize(32, 32));
}

void TstLayout::controlsSitAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text"); // null: not checked
    QTest::addColumn<int>("alignment"); // of a label's text; 0 for other controls

    const int left = Qt::AlignLeft;
    const int right = Qt::AlignRight;
    const QString any;
    auto row = [](const char *name, const char *container, QRect geometry, const QString &text,
                  int alignment) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container)
                            << geometry << text << alignment;
    };

    row("picStatus", "client", { 0, 368, 529, 21 }, any, 0);
    row("lblCoorY", "picStatus", { 488, 0, 25, 17 }, "Y:", left);
    row("lblCoorX", "picStatus", { 456, 0, 25, 17 }, "X:", left);
    row("lblStatus", "picStatus", { 4, 0, 441, 17 }, any, left);
    row("fraLevels", "client", { 172, 312, 353, 49 }, " Levels ", 0);
    row("btnLevelAdd", "fraLevels", { 168, 16, 33, 21 }, "+10", 0);
    row("btnLevelMinus", "fraLevels", { 136, 16, 33, 21 }, "-10", 0);
    row("btnLevel", "fraLevels", { 272, 16, 65, 21 }, "Load Level", 0);
    row("txtLevel", "fraLevels", { 72, 16, 41, 21 }, any, 0);
    row("scrLevel", "fraLevels", { 112, 16, 17, 21 }, any, 0);
    row("lblLevel", "fraLevels", { 16, 16, 105, 17 }, "Level #:", left);
    row("fraTiles", "client", { 4, 0, 161, 361 }, " Tiles ", 0);
    row("picTiles", "fraTiles", { 16, 32, 18, 290 }, any, 0);
    row("txtTiles", "fraTiles", { 96, 40, 33, 21 }, any, 0);
    row("scrTiles", "fraTiles", { 128, 40, 17, 21 }, any, 0);
    row("picTilesRight", "fraTiles", { 112, 160, 18, 18 }, any, 0);
    row("picTilesCurrent", "fraTiles", { 112, 112, 18, 18 }, any, 0);
    row("picTilesLeft", "fraTiles", { 112, 136, 18, 18 }, any, 0);
    row("btnAdd10", "fraTiles", { 112, 64, 33, 21 }, "+10", 0);
    row("btnMinus10", "fraTiles", { 80, 64, 33, 21 }, "-10", 0);
    row("lblTilesCurrent", "fraTiles", { 48, 240, 81, 17 }, any, right);
    row("lblTilesRight", "fraTiles", { 48, 224, 81, 17 }, any, right);
    row("lblTilesLeft", "fraTiles", { 48, 208, 81, 17 }, any, right);
    row("lblTiles_4", "fraTiles", { 40, 40, 65, 17 }, "Offset:", left);
    row("lblTiles_3", "fraTiles", { 40, 160, 65, 17 }, "Right:", right);
    row("lblTiles_2", "fraTiles", { 40, 112, 65, 17 }, "Current:", right);
    row("lblTiles_1", "fraTiles", { 40, 136, 65, 17 }, "Left:", right);
    row("lblTiles_0", "fraTiles", { 16, 16, 169, 17 }, "Selectable Tiles:", left);
    row("fraLevel", "client", { 172, 0, 353, 313 }, " Editor ", 0);
    row("picEditor", "fraLevel", { 16, 24, 322, 274 }, any, 0);
}

void TstLayout::controlsSitAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(int, alignment);

    frmMain window({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QWidget *control = window.findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    const QWidget *parent = container == QLatin1String("client")
        ? window.centralWidget()
        : window.findChild<QWidget *>(container);
    QVERIFY(parent);
    QCOMPARE(control->parentWidget(), parent);

    // A frame measures its children from its outer corner; a bordered picture box from the
    // inside of its border.
    QPoint origin;
    if (parent != window.centralWidget() && !qobject_cast<const QGroupBox *>(parent))
        origin = parent->contentsRect().topLeft();
    QCOMPARE(control->geometry(), geometry.translated(origin));
    QVERIFY(control->isVisible());

    if (!text.isNull()) {
        const QVariant shown = control->property("text").isValid() ? control->property("text")
                                                                   : control->property("title");
        QCOMPARE(shown.toString(), text);
    }
    if (auto *frame = qobject_cast<QGroupBox *>(control)) {
        // The top line runs through the caption's middle, as shown, cut by it from 8 pixels in.
        const QImage shown = window.centralWidget()->grab().toImage();
        const int edge = frame->y() + QFontMetrics(frame->font()).height() / 2;
        QList<int> gap;
        for (int x = frame->x() + 2; x < frame->geometry().right() - 1; ++x) {
            if (shown.pixel(x, edge) != frame->palette().dark().color().rgb())
                gap.append(x);
        }
        QCOMPARE(gap.value(0), frame->x() + 8);
        QCOMPARE(gap.last() - gap.first() + 1, QFontMetrics(frame->font()).horizontalAdvance(text));
    }
    if (alignment != 0) {
        const auto *label = qobject_cast<const QLabel *>(control);
        QVERIFY(label);
        QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
    }
}

void TstLayout::surfacesHaveWholeCellsInside()
{
    frmMain window({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const std::pair<const char *, QSize> surfaces[] = {
        { "picEditor", { 320, 272 } },   { "picTiles", { 16, 288 } },
        { "picTilesLeft", { 16, 16 } },  { "picTilesCurrent", { 16, 16 } },
        { "picTilesRight", { 16, 16 } },
    };
    for (const auto &[name, inside] : surfaces) {
        const auto *surface = window.findChild<DrawingSurface *>(QLatin1String(name));
        QVERIFY2(surface, name);
        QCOMPARE(surface->insideSize(), inside);
        QCOMPARE(surface->contentsRect().size(), inside);
    }
}

void TstLayout::controlsAnswerOverTheirWholeFace_data()
{
    QTest::addColumn<bool>("about");
    QTest::newRow("frmMain") << false;
    QTest::newRow("frmAbout") << true;
}

void TstLayout::controlsAnswerOverTheirWholeFace()
{
    QFETCH(bool, about);
    frmMain main({});
    frmAbout credits;
    QWidget &window = about ? static_cast<QWidget &>(credits) : main;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const QWidget *control : window.findChildren<QWidget *>()) {
        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        // Under each pixel its containers show: the control, or a neighbour sharing its edge.
        QRect face(control->mapTo(&window, QPoint()), control->size());
        for (auto *box = control->parentWidget(); box != &window; box = box->parentWidget())
            face &= QRect(box->mapTo(&window, QPoint()), box->size());
        for (int y = face.top(); y <= face.bottom(); ++y) {
            for (int x = face.left(); x <= face.right(); ++x) {
                const QWidget *hit = window.childAt(x, y);
                while (hit != &window && hit->focusPolicy() == Qt::NoFocus)
                    hit = hit->parentWidget();
                if (hit == &window)
                    QFAIL(qPrintable(control->objectName() + QStringLiteral(" is covered")));
            }
        }
        if (const auto *button = qobject_cast<const QPushButton *>(control)) // caption unclipped
            QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) <= button->width() - 4);
    }
}

void TstLayout::pointerAtTheLastPixelNamesTheLastCell()
{
    frmMain window({});
    QVERIFY(showAndActivate(window));
    auto *picEditor = window.findChild<DrawingSurface *>(QStringLiteral("picEditor"));
    const auto *lblCoorX = window.findChild<QLabel *>(QStringLiteral("lblCoorX"));
    const auto *lblCoorY = window.findChild<QLabel *>(QStringLiteral("lblCoorY"));
    QVERIFY(picEditor && lblCoorX && lblCoorY);

    QList<QPointF> reported;
    connect(picEditor, &DrawingSurface::mouseMove, this,
            [&reported](int, int, float x, float y) { reported.append(QPointF(x, y)); });
    const QPoint lastInside = picEditor->contentsRect().topLeft() + QPoint(319, 271);
    QTest::mouseMove(picEditor, lastInside);

    QVERIFY(!reported.isEmpty());
    QCOMPARE(reported.last(), QPointF(319, 271));
    QCOMPARE(lblCoorX->text(), QStringLiteral("19"));
    QCOMPARE(lblCoorY->text(), QStringLiteral("16"));
}

void TstLayout::labelsAndFramesUseCourierNew()
{
    frmMain window({});
    QList<QWidget *> controls;
    for (QLabel *label : window.findChildren<QLabel *>())
        controls.append(label);
    for (QGroupBox *frame : window.findChildren<QGroupBox *>())
        controls.append(frame);
    QCOMPARE(controls.size(), 12 + 3);

    for (const QWidget *control : std::as_const(controls)) {
        const QFont font = control->font();
        QVERIFY2(font.family() == QLatin1String("Courier New"), qPrintable(control->objectName()));
        QVERIFY2(font.pointSizeF() == 8.25, qPrintable(control->objectName()));
        QVERIFY2(font.weight() == QFont::Normal, qPrintable(control->objectName()));
    }
}

void TstLayout::numberBoxes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("points");

    QTest::newRow("txtLevel") << "txtLevel" << 8.25;
    QTest::newRow("txtTiles") << "txtTiles" << 9.75;
}

void TstLayout::numberBoxes()
{
    QFETCH(QString, name);
    QFETCH(qreal, points);

    frmMain window({});
    const auto *box = window.findChild<QLineEdit *>(name);
    QVERIFY(box);
    QCOMPARE(box->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(box->font().pointSizeF(), points);
    QCOMPARE(box->font().weight(), QFont::Normal);
    QCOMPARE(box->alignment(), Qt::AlignCenter);
    QCOMPARE(box->maxLength(), 3);
}

void TstLayout::courierNewResolvesToLiberationMono()
{
    if (!QFontDatabase::families().contains(QStringLiteral("Liberation Mono")))
        QSKIP("Liberation Mono is not installed");
    frmMain window({});
    for (const char *name : { "lblLevel", "fraTiles", "txtLevel", "txtTiles" }) {
        const QWidget *control = window.findChild<QWidget *>(QLatin1String(name));
        QVERIFY2(control, name);
        QCOMPARE(QFontInfo(control->font()).family(), QStringLiteral("Liberation Mono"));
    }
}

void TstLayout::menusHoldTheirCommands()
{
    frmMain window({});
    const QList<QAction *> top = window.menuBar()->actions();
    QCOMPARE(top.size(), 3);

    struct Item
    {
        QString text;
        QKeySequence keys;
    };
    const QList<std::pair<QString, QList<Item>>> menus = {
        { "&File",
          { { "&Open", QKeySequence(Qt::CTRL | Qt::Key_O) },
            { "&Save", QKeySequence(Qt::CTRL | Qt::Key_S) } } },
        { "&Level",
          { { "&Previous Level", QKeySequence(Qt::Key_F11) },
            { "&Next Level", QKeySequence(Qt::Key_F12) } } },
    };
    for (qsizetype m = 0; m < menus.size(); ++m) {
        QCOMPARE(top[m]->text(), menus[m].first);
        const QMenu *menu = top[m]->menu<QMenu *>();
        QVERIFY(menu);
        const QList<QAction *> items = menu->actions();
        QCOMPARE(items.size(), menus[m].second.size());
        for (qsizetype i = 0; i < items.size(); ++i) {
            QCOMPARE(items[i]->text(), menus[m].second[i].text);
            QCOMPARE(items[i]->shortcut(), menus[m].second[i].keys);
            QVERIFY(!items[i]->isSeparator());
            QVERIFY(items[i]->isEnabled());
            QVERIFY(!items[i]->isCheckable());
        }
    }
    QCOMPARE(top[2]->text(), QStringLiteral("&About"));
    QVERIFY(!top[2]->menu<QMenu *>());
    for (const QAction *action : top) {
        QVERIFY(!action->isSeparator());
        QVERIFY(action->isEnabled());
        QVERIFY(!action->isCheckable());
    }
}

void TstLayout::ctrlOAsksForAFile()
{
    frmMain window({});
    QVERIFY(showAndActivate(window));

    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);

    QCOMPARE(m_openRequests.size(), 1);
    const Dialogs::OpenFileRequest &request = m_openRequests.constFirst();
    QCOMPARE(request.title, QStringLiteral("Dorrik - Open File"));
    QCOMPARE(request.filters, QStringList({ "Game Boy ROM Image (*.gb)", "All Files (*.*)" }));
    QCOMPARE(request.directory, QDir::currentPath());
    QCOMPARE(request.owner, &window);
    // A cancelled dialog changes nothing.
    QCOMPARE(window.state().strFileName, QString());
    QVERIFY(m_messages.isEmpty());
}

void TstLayout::levelKeysAndSaveAct()
{
    frmMain window({ m_image });
    QVERIFY(showAndActivate(window));
    const auto *txtLevel = window.findChild<QLineEdit *>(QStringLiteral("txtLevel"));
    const auto *lblStatus = window.findChild<QLabel *>(QStringLiteral("lblStatus"));
    QVERIFY(txtLevel && lblStatus);

    // F12 at level 0 loads level 1.
    QTest::keyClick(&window, Qt::Key_F12);
    QCOMPARE(window.state().intLevelNumber, 1);
    QCOMPARE(txtLevel->text(), QStringLiteral("1"));
    QVERIFY2(lblStatus->text().startsWith(QLatin1String("Loaded in: ")),
             qPrintable(lblStatus->text()));
    QCOMPARE(window.state().bytLevel.cellAt(0, 0), TestImages::cellByte(1, 0, 0));

    QTest::keyClick(&window, Qt::Key_F12);
    QCOMPARE(window.state().intLevelNumber, 2);
    QCOMPARE(window.state().bytLevel.cellAt(0, 0), TestImages::cellByte(2, 0, 0));

    QTest::keyClick(&window, Qt::Key_F11);
    QCOMPARE(window.state().intLevelNumber, 1);
    QCOMPARE(txtLevel->text(), QStringLiteral("1"));
    QCOMPARE(window.state().bytLevel.cellAt(0, 0), TestImages::cellByte(1, 0, 0));

    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(QLatin1Char('\n'))));
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_messages, QStringList { "Dorrik|The file was successfully saved." });
}

void TstLayout::tabVisitsTheControlsInOrder()
{
    frmMain window({});
    QVERIFY(showAndActivate(window));
    QVERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtTiles"));

    const QStringList expected = {
        "scrTiles",      "btnMinus10",  "btnAdd10",  "txtLevel",     "scrLevel",
        "btnLevelMinus", "btnLevelAdd", "btnLevel",  "picTilesLeft", "picTilesCurrent",
        "picTilesRight", "picEditor",   "picStatus", "picTiles",     "txtTiles",
    };
    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        QTest::keyClick(focus, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget());
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited, expected);
}

void TstLayout::paletteGridLinesAreDrawn()
{
    frmMain window({});
    QVERIFY(showAndActivate(window));
    auto *picTiles = window.findChild<DrawingSurface *>(QStringLiteral("picTiles"));
    QVERIFY(picTiles);

    QCOMPARE(picTiles->lineCount(), 18);
    for (int k = 0; k < picTiles->lineCount(); ++k) {
        const LineControl &line = picTiles->line(k);
        QCOMPARE(line.x1, 0);
        QCOMPARE(line.x2, 16);
        QCOMPARE(line.y1, 16 * (k + 1));
        QCOMPARE(line.y2, 16 * (k + 1));
        QVERIFY(line.visible);
    }

    // Open the image so the palette's tiles are drawn under the lines.
    Dialogs::setOpenFileHook([this](const Dialogs::OpenFileRequest &) { return m_image; });
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(window.state().strFileName, m_image);

    const QImage shown = picTiles->grab().toImage();
    const QPoint inside = picTiles->contentsRect().topLeft();
    const QColor lineColour = picTiles->palette().color(QPalette::WindowText);
    for (int y = 16; y <= 272; y += 16) {
        for (int x = 0; x < 16; ++x) {
            const QColor pixel = shown.pixelColor(inside + QPoint(x, y));
            QVERIFY2(pixel == lineColour,
                     qPrintable(QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(pixel.name())));
        }
    }
    // Between the lines the tiles show: row 1 of the top cell is tile 0's pixel row 0.
    const QImage tile0
        = TestImages::expectedTile(TestImages::tileBytesOf(TestImages::patterned(), 0));
    for (int x = 0; x < 16; ++x)
        QCOMPARE(shown.pixelColor(inside + QPoint(x, 1)), tile0.pixelColor(x, 1));
}

void TstLayout::scrollBarArrowsStepTheNumber_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("upper");
    QTest::addColumn<int>("end");

    QTest::newRow("scrLevel up from 1") << "scrLevel" << 1 << true << 2;
    QTest::newRow("scrLevel down at 1") << "scrLevel" << 1 << false << 1;
    QTest::newRow("scrLevel up at 46") << "scrLevel" << 46 << true << 46;
    QTest::newRow("scrLevel down from 46") << "scrLevel" << 46 << false << 45;
    QTest::newRow("scrTiles up from 0") << "scrTiles" << 0 << true << 1;
    QTest::newRow("scrTiles down at 0") << "scrTiles" << 0 << false << 0;
    QTest::newRow("scrTiles up at 78") << "scrTiles" << 78 << true << 78;
    QTest::newRow("scrTiles down from 78") << "scrTiles" << 78 << false << 77;
}

void TstLayout::scrollBarArrowsStepTheNumber()
{
    QFETCH(QString, name);
    QFETCH(int, start);
    QFETCH(bool, upper);
    QFETCH(int, end);

    frmMain window({});
    QVERIFY(showAndActivate(window));
    auto *bar = window.findChild<ReversedScrollBar *>(name);
    QVERIFY(bar);
    bar->setNumber(start);
    QCOMPARE(bar->number(), start);

    QSignalSpy spy(bar, &ReversedScrollBar::numberChanged);
    const QPoint arrow = ScrollBarArrows::arrowCentre(
        *bar, upper ? QStyle::SC_ScrollBarSubLine : QStyle::SC_ScrollBarAddLine);
    QVERIFY(bar->rect().contains(arrow));
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, arrow);

    QCOMPARE(bar->number(), end);
    if (end == start) {
        QCOMPARE(spy.count(), 0);
    } else {
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), end);
    }
}

void TstLayout::setNumberSignalsOnlyRealChanges()
{
    frmMain window({});
    for (const char *name : { "scrLevel", "scrTiles" }) {
        auto *bar = window.findChild<ReversedScrollBar *>(QLatin1String(name));
        QVERIFY2(bar, name);
        QSignalSpy spy(bar, &ReversedScrollBar::numberChanged);
        bar->setNumber(bar->number());
        QCOMPARE(spy.count(), 0);
        bar->setNumber(bar->number() + 5);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), bar->number());
    }
}

QTEST_MAIN(TstLayout)
#include "tst_layout.moc"
