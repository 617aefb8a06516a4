// The main window's fixed layout: every control at its designed place, the menus, the tab
// order and the palette's grid lines. Positions are pixels at 96 dots per inch.
#include "frmMain.h"
#include "picture/Artwork.h"
#include "platform/CaptionFrame.h"
#include "platform/DrawingSurface.h"
#include "platform/Fonts.h"
#include "platform/ReversedScrollBar.h"
#include "rom/TileGraphics.h"

#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

namespace {

// The client area below the menu bar.
constexpr QSize kClientSize(528, 389);

// The drawing surfaces' insides: whole cells.
constexpr int kCell = TileGraphics::kCellPixels;
constexpr QSize kEditorInside(RomLayout::kLevelColumns *kCell, RomLayout::kLevelRows *kCell);
constexpr QSize kPaletteInside(kCell, Palette::kInsideHeight); // one column of slots
constexpr QSize kPreviewInside(kCell, kCell);
static_assert(kEditorInside == QSize(320, 272) && kPaletteInside == QSize(16, 288));

constexpr qreal kLabelPoints = 8.25;
constexpr qreal kTilesBoxPoints = 9.75;

template<typename Widget>
Widget *place(Widget *widget, const char *name, int left, int top, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry,
              Qt::Alignment alignment = Qt::AlignLeft)
{
    auto *widget = place(new QLabel(text, parent), name, geometry.x(), geometry.y(),
                         geometry.width(), geometry.height());
    widget->setFont(Fonts::courierNew(kLabelPoints));
    widget->setAlignment(alignment | Qt::AlignTop);
    widget->setAutoFillBackground(false); // transparent: the container shows behind the text
    // A label lies beneath the controls it overlaps, whatever their order of creation, and
    // never takes a click, a press or a hover from them.
    widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    widget->lower();
    return widget;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *widget = place(new CaptionFrame(caption, parent), name, geometry.x(), geometry.y(),
                         geometry.width(), geometry.height());
    widget->setFont(Fonts::courierNew(kLabelPoints));
    return widget;
}

QLineEdit *numberBox(QWidget *parent, const char *name, QRect geometry, qreal points)
{
    auto *widget = place(new QLineEdit(parent), name, geometry.x(), geometry.y(), geometry.width(),
                         geometry.height());
    QFont font = Fonts::courierNew(points);
    widget->setFont(font);
    widget->setAlignment(Qt::AlignCenter);
    widget->setMaxLength(3);
    widget->setTextMargins(0, 0, 0, 0);
    // The boxes only show numbers; nothing reads them back, so typing is not offered.
    widget->setReadOnly(true);
    return widget;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *widget = place(new QPushButton(text, parent), name, geometry.x(), geometry.y(),
                         geometry.width(), geometry.height());
    widget->setAutoDefault(false);
    // Push buttons use the window's default dialog font, not the frame's caption font they
    // would inherit.
    widget->setFont(Fonts::dialogDefault());
    return widget;
}

DrawingSurface *surface(QWidget *parent, const char *name, QPoint at, QSize inside)
{
    auto *widget = new DrawingSurface(inside, parent);
    widget->setObjectName(QLatin1String(name));
    widget->move(at);
    return widget;
}

ReversedScrollBar *scrollBar(QWidget *parent, const char *name, QPoint at, int top, int bottom,
                             int initial)
{
    auto *widget = new ReversedScrollBar(top, bottom, initial, parent);
    return place(widget, name, at.x(), at.y(), 17, 21);
}

} // namespace

void frmMain::buildLayout()
{
    setWindowTitle(QStringLiteral("Dorrik v1.0 - Pebblefen Editor"));
    setWindowIcon(Artwork::windowIcon());
    // A fixed single border: no maximize and no minimize button, no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientSize);
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    picStatus = place(new QFrame(client), "picStatus", 0, 368, 529, 21);
    picStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picStatus->setLineWidth(1);
    picStatus->setBackgroundRole(QPalette::Button);
    picStatus->setAutoFillBackground(true);
    picStatus->setFocusPolicy(Qt::TabFocus);
    // The status box's labels are placed from the inside of its sunken border.
    const int inset = picStatus->frameWidth();
    lblCoorY = label(picStatus, "lblCoorY", QStringLiteral("Y:"), { inset + 488, inset, 25, 17 });
    lblCoorX = label(picStatus, "lblCoorX", QStringLiteral("X:"), { inset + 456, inset, 25, 17 });
    lblStatus = label(picStatus, "lblStatus", QString(), { inset + 4, inset, 441, 17 });

    fraLevels = frame(client, "fraLevels", QStringLiteral(" Levels "), { 172, 312, 353, 49 });
    btnLevelAdd = button(fraLevels, "btnLevelAdd", QStringLiteral("+10"), { 168, 16, 33, 21 });
    btnLevelMinus = button(fraLevels, "btnLevelMinus", QStringLiteral("-10"), { 136, 16, 33, 21 });
    btnLevel = button(fraLevels, "btnLevel", QStringLiteral("Load Level"), { 272, 16, 65, 21 });
    txtLevel = numberBox(fraLevels, "txtLevel", { 72, 16, 41, 21 }, kLabelPoints);
    scrLevel = scrollBar(fraLevels, "scrLevel", { 112, 16 }, RomLayout::kLevelCount, 1, 1);
    lblLevel = label(fraLevels, "lblLevel", QStringLiteral("Level #:"), { 16, 16, 105, 17 });

    fraTiles = frame(client, "fraTiles", QStringLiteral(" Tiles "), { 4, 0, 161, 361 });
    picTiles = surface(fraTiles, "picTiles", { 16, 32 }, kPaletteInside);
    txtTiles = numberBox(fraTiles, "txtTiles", { 96, 40, 33, 21 }, kTilesBoxPoints);
    scrTiles = scrollBar(fraTiles, "scrTiles", { 128, 40 }, Palette::kTop, 0, 0);
    picTilesRight = surface(fraTiles, "picTilesRight", { 112, 160 }, kPreviewInside);
    picTilesCurrent = surface(fraTiles, "picTilesCurrent", { 112, 112 }, kPreviewInside);
    picTilesLeft = surface(fraTiles, "picTilesLeft", { 112, 136 }, kPreviewInside);
    btnAdd10 = button(fraTiles, "btnAdd10", QStringLiteral("+10"), { 112, 64, 33, 21 });
    btnMinus10 = button(fraTiles, "btnMinus10", QStringLiteral("-10"), { 80, 64, 33, 21 });
    const auto right = Qt::AlignRight;
    lblTilesCurrent = label(fraTiles, "lblTilesCurrent", QStringLiteral("Current: 00"),
                            { 48, 240, 81, 17 }, right);
    lblTilesRight
        = label(fraTiles, "lblTilesRight", QStringLiteral("Right: 00"), { 48, 224, 81, 17 }, right);
    lblTilesLeft
        = label(fraTiles, "lblTilesLeft", QStringLiteral("Left: 00"), { 48, 208, 81, 17 }, right);
    lblTiles[4] = label(fraTiles, "lblTiles_4", QStringLiteral("Offset:"), { 40, 40, 65, 17 });
    lblTiles[3]
        = label(fraTiles, "lblTiles_3", QStringLiteral("Right:"), { 40, 160, 65, 17 }, right);
    lblTiles[2]
        = label(fraTiles, "lblTiles_2", QStringLiteral("Current:"), { 40, 112, 65, 17 }, right);
    lblTiles[1]
        = label(fraTiles, "lblTiles_1", QStringLiteral("Left:"), { 40, 136, 65, 17 }, right);
    // Wider than its frame on purpose: the frame cuts it off at its edge.
    lblTiles[0]
        = label(fraTiles, "lblTiles_0", QStringLiteral("Selectable Tiles:"), { 16, 16, 169, 17 });

    fraLevel = frame(client, "fraLevel", QStringLiteral(" Editor "), { 172, 0, 353, 313 });
    picEditor = surface(fraLevel, "picEditor", { 16, 24 }, kEditorInside);

    // The palette surfaces start with a plain white picture in their top-left corner. The
    // palette's is 288 wide and 16 high, so clipped to the strip it covers only the top cell
    // and the rest shows the background colour.
    picTiles->setInitialPicture(QSize(288, 16), Qt::white);
    for (DrawingSurface *preview : { picTilesLeft, picTilesCurrent, picTilesRight })
        preview->setInitialPicture(kPreviewInside, Qt::white);

    // The palette's first grid line, under its top cell; start-up adds the other 17.
    picTiles->addLine({ 0, kCell, kCell, kCell, true });

    connect(btnLevel, &QPushButton::clicked, this, &frmMain::btnLevel_Click);
    connect(btnLevelAdd, &QPushButton::clicked, this, &frmMain::btnLevelAdd_Click);
    connect(btnLevelMinus, &QPushButton::clicked, this, &frmMain::btnLevelMinus_Click);
    connect(scrLevel, &ReversedScrollBar::numberChanged, this, &frmMain::scrLevel_Change);
    connect(scrTiles, &ReversedScrollBar::numberChanged, this, &frmMain::scrTiles_Change);
    connect(btnAdd10, &QPushButton::clicked, this, &frmMain::btnAdd10_Click);
    connect(btnMinus10, &QPushButton::clicked, this, &frmMain::btnMinus10_Click);
    connect(picTiles, &DrawingSurface::mouseMove, this, &frmMain::picTiles_MouseMove);
    connect(picTiles, &DrawingSurface::mouseDown, this, &frmMain::picTiles_MouseDown);
    connect(picTiles, &DrawingSurface::mouseWheel, this, &frmMain::picTiles_MouseWheel);
    connect(picEditor, &DrawingSurface::mouseMove, this, &frmMain::picEditor_MouseMove);
    connect(picEditor, &DrawingSurface::mouseDown, this, &frmMain::picEditor_MouseDown);
    connect(picEditor, &DrawingSurface::mouseUp, this, &frmMain::picEditor_MouseUp);
}

void frmMain::buildMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = mnuFile->addAction(QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O), this,
                                 &frmMain::mnuOpen_Click);
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuSave = mnuFile->addAction(QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S), this,
                                 &frmMain::mnuSave_Click);
    mnuSave->setObjectName(QStringLiteral("mnuSave"));

    mnuLevel = menuBar()->addMenu(QStringLiteral("&Level"));
    mnuLevel->setObjectName(QStringLiteral("mnuLevel"));
    mnuPreviousLevel
        = mnuLevel->addAction(QStringLiteral("&Previous Level"), QKeySequence(Qt::Key_F11), this,
                              &frmMain::mnuPreviousLevel_Click);
    mnuPreviousLevel->setObjectName(QStringLiteral("mnuPreviousLevel"));
    mnuNextLevel = mnuLevel->addAction(QStringLiteral("&Next Level"), QKeySequence(Qt::Key_F12),
                                       this, &frmMain::mnuNextLevel_Click);
    mnuNextLevel->setObjectName(QStringLiteral("mnuNextLevel"));

    // A command on the menu bar itself, without a submenu.
    mnuAbout = menuBar()->addAction(QStringLiteral("&About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::setTabOrder()
{
    const QList<QWidget *> order
        = { txtTiles,        scrTiles,      btnMinus10,  btnAdd10,  txtLevel,
            scrLevel,        btnLevelMinus, btnLevelAdd, btnLevel,  picTilesLeft,
            picTilesCurrent, picTilesRight, picEditor,   picStatus, picTiles };
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    txtTiles->setFocus();
}

void frmMain::createPaletteGridLines()
{
    // Each new line copies the one above and moves 16 pixels down: lines at y = 16 .. 288,
    // the last just below the palette's inside, where it is not seen.
    for (int i = 1; i <= 17; ++i) {
        LineControl line = picTiles->line(i - 1);
        line.visible = false;
        const int index = picTiles->addLine(line);
        line.y1 = picTiles->line(i - 1).y1 + kCell;
        line.y2 = picTiles->line(i - 1).y2 + kCell;
        line.visible = true;
        picTiles->setLine(index, line);
    }
}
