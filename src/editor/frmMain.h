// The main window: the level editor with its palette, level controls, menus and status bar.
//
// Names carry kind prefixes, kept from the editor's original design so that every piece has
// one name from the layout drawings to the code:
//   variables: int (16-bit integer), str (string), bool, lng (32-bit table), byt (byte buffer)
//   controls:  frm (window), pic (drawing surface or box), lbl (label), txt (text box),
//              btn (push button), scr (scroll bar), fra (frame), line (line), mnu (menu item)
// Handlers are named after their control and event (btnLevel_Click, picEditor_MouseDown).
// Every named control has the same objectName, so tests find it with findChild.
#pragma once

#include "EditorState.h"
#include "rom/CBuffer.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QRect>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

class DrawingSurface;
struct CellChange;
class QAction;
class QDragEnterEvent;
class QDropEvent;
class QTemporaryDir;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QUndoStack;
class ReversedScrollBar;

class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    // arguments: the command line after the program's name.
    explicit frmMain(const QStringList &arguments, QWidget *parent = nullptr);
    ~frmMain() override;

    const EditorState &state() const { return m_state; }

    // The caption of a tile number label: prefix, then the number in capital hexadecimal with
    // at least two digits ("Left: 0A", "Right: 5F").
    static QString TileNumberText(const QString &prefix, int tile);

    // The largest multiple of 16 not above the coordinate rounded half to even: the top-left
    // pixel of the cell under the pointer, along one axis.
    static int Snap(float coordinate);

public slots:
    // Start-up and the close guard.
    void Form_Load(const QStringList &arguments);
    void Form_Unload(bool &cancel);

    // Files and levels.
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuPreviousLevel_Click();
    void mnuNextLevel_Click();
    void mnuAbout_Click();
    void btnLevel_Click();
    void btnLevelAdd_Click();
    void btnLevelMinus_Click();
    void scrLevel_Change();

    // The palette and the selection.
    void scrTiles_Change();
    void btnAdd10_Click();
    void btnMinus10_Click();
    void picTiles_MouseMove(int Button, int Shift, float X, float Y);
    void picTiles_MouseDown(int Button, int Shift, float X, float Y);
    void picTiles_MouseWheel(int Notches);

    // Painting.
    void picEditor_MouseMove(int Button, int Shift, float X, float Y);
    void picEditor_MouseDown(int Button, int Shift, float X, float Y);
    void picEditor_MouseUp(int Button, int Shift, float X, float Y);

    // Undo and redo, keyboard commands of the window (Ctrl+Z; Ctrl+Y or Ctrl+Shift+Z): they walk
    // the history of strokes and level loads made on the open image.
    void undo();
    void redo();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    friend class StrokeStep;
    friend class LoadStep;

    // Start-up (frmMain.cpp).
    void ReadCommandLine(const QStringList &arguments);

    // Layout (frmMainLayout.cpp).
    void buildLayout();
    void buildMenus();
    void setTabOrder();
    void createPaletteGridLines();

    // Files and levels (frmMainLevels.cpp).
    enum class Load { Done, Failed, Overtaken };
    // What a level load draws: read whole before any of it is used, so that a failed read
    // leaves the map and the surface as they were.
    struct LevelData
    {
        LevelMap map;
        CBuffer::TileRun tiles;
    };
    // The path the user chose, or nothing when the dialog was cancelled.
    std::optional<QString> ShowOpenDialog();
    // levelBefore: the level number before the command, which undoing the load puts back.
    Load LoadLevel(int levelBefore);
    void loadShownLevel(int levelBefore);
    Status readLevelData(const QString &path, int level, LevelData &into) const;
    Load drawLevel(const LevelData &level);
    void drawRow(int row, const CBuffer::TileRun &tiles);
    void drawCell(int column, int row, const CBuffer::TileRun &tiles);
    void finishLoad();
    void setLevelNumber(int level);
    void stepLevel(int delta);
    void restoreLevelNumber(int level);

    // Palette (frmMainPalette.cpp).
    bool DrawSelectableTiles(int first);
    void drawPalette(int first, const CBuffer::TileRun &tiles);
    void movePalette();
    // Makes left and right the left and right tiles, with their previews and labels; both are
    // read first, so a failed read keeps the selection as it was.
    void selectTiles(int left, int right);

    // Painting (frmMainPaint.cpp). The press that begins a gesture on the level, with no other
    // button held, chooses it by the keys held: none (or Alt alone) paints, Ctrl picks the
    // cell's tile (or, with the left button dragged to another cell, selects the rectangle
    // between), Shift fills the area of that tile around the cell, Ctrl+Shift replaces that
    // tile everywhere in the level. Presses joining a gesture follow it.
    enum class Gesture { Paint, Pick, Select, Fill, Replace };
    void paintCell(int x, int y, int tile, const DrawingSurface *preview);
    void beginGesture(int button, float x, float y);
    void paintCells(const std::vector<std::uint16_t> &cells, int tile,
                    const DrawingSurface *preview);
    // Shows the selection's outline over the level, or none; cells are (column, row) units.
    void setSelection(const std::optional<QRect> &cells);

    // The clipboard, dropped files and play (frmMainClipboard.cpp). Ctrl+C and Ctrl+V act on
    // the level while the pointer is over it, a selection is shown or no text box has the
    // focus; a text box keeps them otherwise.
    bool clipboardKeysActOnLevel() const;
    // Whether the level takes the keys even from a text box: the pointer is over it or a
    // selection is shown.
    bool levelHasTheKeys() const { return m_pointerCell || m_selection; }
    bool eventFilter(QObject *watched, QEvent *event) override;
    void buildLevelCommands();
    void copyLevel();
    void pasteLevel();
    // F5: the shown level played in a copy of the image (frmMainLevels.cpp).
    void playLevel();
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    // Open with a path already chosen: the dialog's command, or a file dropped on the window.
    void openImage(const QString &path);
    // A command of the window itself, under its keys alone: no menu item shows it.
    QAction *addKeyCommand(const char *name, const QList<QKeySequence> &keys);

    // The history (frmMainHistory.cpp). A stroke is gathered while the user paints and becomes
    // one step when the last button is released, or earlier when another step must follow it.
    enum class Side { Before, After };
    void buildHistory();
    void noteStrokeCell(int column, int row);
    void endStroke();
    void clearHistory();
    bool readStepTiles(LevelData &input, const QString &command);
    // What undo and redo draw, read from the image before the stack moves.
    void applyCells(const std::vector<CellChange> &cells, Side side);
    void restoreMap(const LevelMap &map, int level);
    void showLoadedLevel(int level);

    // Errors. A command reports a failure once, in a message box naming the file and the
    // reason, even when it runs the failing step twice; pointer-driven reads report in the
    // status line instead, so moving the mouse never opens a box per movement.
    //
    // CommandScope marks the run of one user command, however deeply its handlers nest (the
    // scroll bar's change handler inside "+10", a load inside another load's event processing).
    class CommandScope
    {
    public:
        explicit CommandScope(frmMain &window);
        ~CommandScope();
        CommandScope(const CommandScope &) = delete;
        CommandScope &operator=(const CommandScope &) = delete;

    private:
        frmMain &m_window;
    };
    void reportError(const QString &text);
    void reportPointerError(const QString &text);
    QString failureText(const QString &what, const QString &reason) const;

    EditorState m_state;

    // Level loads that are running, nested inside each other's event processing; only the
    // newest draws, and the controls come back when the last one ends.
    int m_loadGeneration = 0;
    int m_activeLoads = 0;
    int m_commandDepth = 0;
    QStringList m_errorsShown;

    // The gesture of the buttons held on the level, and for a pick the button and the cell it
    // was pressed on (nothing once it was released).
    Gesture m_gesture = Gesture::Paint;
    int m_pickButton = 0;
    std::optional<std::uint16_t> m_pickCell;
    // The selected cells, and the cell under the pointer while it is over the level.
    std::optional<QRect> m_selection;
    std::optional<std::uint16_t> m_pointerCell;
    // Where F5 writes the copies it plays; removed with everything in it when the window goes.
    std::unique_ptr<QTemporaryDir> m_playFolder;
    int m_plays = 0;

    // Each level's map as this window last read it from the image or wrote it there: what Save
    // expects to find in the file before it writes.
    std::array<std::optional<LevelMap>, RomLayout::kLevelCount> m_levelsAsKnown {};

    QUndoStack *m_history = nullptr;
    // The stroke under way: each touched cell's tile before the stroke, -1 for cells not
    // touched, and the touched cells in the order they were first painted.
    std::array<std::int16_t, RomLayout::kLevelBytes> m_strokeBefore {};
    std::vector<std::uint16_t> m_strokeCells;
    // The tiles (and, to redo a load, the map) that the step being undone or redone draws.
    const LevelData *m_stepInput = nullptr;

    // Controls, in the order the window holds them.
    QFrame *picStatus = nullptr;
    QLabel *lblCoorY = nullptr;
    QLabel *lblCoorX = nullptr;
    QLabel *lblStatus = nullptr;
    QGroupBox *fraLevels = nullptr;
    QPushButton *btnLevelAdd = nullptr;
    QPushButton *btnLevelMinus = nullptr;
    QPushButton *btnLevel = nullptr;
    QLineEdit *txtLevel = nullptr;
    ReversedScrollBar *scrLevel = nullptr;
    QLabel *lblLevel = nullptr;
    QGroupBox *fraTiles = nullptr;
    DrawingSurface *picTiles = nullptr;
    QLineEdit *txtTiles = nullptr;
    ReversedScrollBar *scrTiles = nullptr;
    DrawingSurface *picTilesRight = nullptr;
    DrawingSurface *picTilesCurrent = nullptr;
    DrawingSurface *picTilesLeft = nullptr;
    QPushButton *btnAdd10 = nullptr;
    QPushButton *btnMinus10 = nullptr;
    QLabel *lblTilesCurrent = nullptr;
    QLabel *lblTilesRight = nullptr;
    QLabel *lblTilesLeft = nullptr;
    std::array<QLabel *, 5> lblTiles {};
    QGroupBox *fraLevel = nullptr;
    DrawingSurface *picEditor = nullptr;

    QMenu *mnuFile = nullptr;
    QAction *mnuOpen = nullptr;
    QAction *mnuSave = nullptr;
    QMenu *mnuLevel = nullptr;
    QAction *mnuPreviousLevel = nullptr;
    QAction *mnuNextLevel = nullptr;
    QAction *mnuAbout = nullptr;
};
