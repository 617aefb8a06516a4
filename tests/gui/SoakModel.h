// A small model of the main window's documented behaviour, kept apart from the window's code.
#pragma once

#include "editor/EditorState.h"
#include "rom/TileGraphics.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The tiles, level and selection the editor should hold, and every picture and caption it
// should show, after each user action. It is written from the documented rules alone: nothing
// here calls the editor.
class SoakModel
{
public:
    static constexpr int kPaletteTop = Palette::kTop; // the palette bar's top end
    static constexpr int kLevels = 46;
    static constexpr int kColumns = 20;
    static constexpr int kRows = 17;
    static constexpr int kSlots = 18;
    static constexpr int kCell = TileGraphics::kCellPixels;
    static constexpr int kLevelStart = 0x14001;
    static constexpr int kLevelSize = kColumns * kRows;

    // Mouse codes as the surfaces report them.
    enum Button { Left = 1, Right = 2, Middle = 4 };

    // An image file the editor may work on: its bytes as they are on disk now, and the
    // picture of each of its 256 tiles.
    struct ImageFile
    {
        QString path;
        QByteArray bytes;
        std::vector<QImage> tiles;
    };

    // What the status line should say: anything (not modelled), an exact text, or a load time.
    enum class Status { Unknown, Exact, LoadTime };

    // images: the files; current: the one named on the command line. The starting pictures
    // are what the window shows before the first action (its background and blank previews).
    SoakModel(std::vector<ImageFile> images, int current, const QImage &editorStart,
              const QImage &paletteStart, const QImage &previewStart, const QString &levelText,
              const QString &coorXText, const QString &coorYText);

    // The palette.
    void paletteArrow(int delta); // +1 for the upper arrow, -1 for the lower one
    void paletteAdd10();
    void paletteMinus10();
    void paletteMove(int y); // inside y of a movement over the palette
    void palettePress(int button);

    // Keys held at a press, as the surfaces report them.
    enum Key { Shift = 1, Ctrl = 2, Alt = 4 };

    // The level being edited. othersHeld and stillHeld: the other buttons held at a press, the
    // buttons still held after a release; a stroke runs from a press to the last release. The
    // keys held at a press with no other button held choose what its gesture does: Ctrl picks
    // (at a release on the same cell), Shift fills, both replace, none or Alt paint.
    void editorPress(int button, int x, int y, int othersHeld, int keys);
    void editorMove(int buttons, int x, int y);
    void editorRelease(int button, int stillHeld, int x, int y);

    // Ctrl+V of level text with the pointer over the level's cell (column, row): tiles, row by
    // row, columns x rows of them, or a whole level, which fills the level.
    void paste(const std::vector<std::uint8_t> &tiles, int columns, int rows, bool wholeLevel,
               int column, int row);

    // The history of strokes and loads.
    void undo();
    void redo();

    // Levels and files.
    void levelArrow(int delta);
    void levelAdd10();
    void levelMinus10();
    void loadLevelButton();
    void nextLevel();
    void previousLevel();
    bool save(); // true when the level was written into the file
    void open(int image);
    void cancelOpen();

    // The tile picture the editor draws for a tile of the current file.
    const QImage &tilePicture(int tile) const;

    // A tile number label's caption: the prefix, then two or more capital hexadecimal digits.
    static QString tileText(const QString &prefix, int tile);

    // Expected state.
    int palettePosition = 0;
    int paletteBar = 0;
    int currentTile = 0;
    int leftTile = 0;
    int rightTile = 0;
    int level = 0;
    int levelBar = 1;
    int image = 0;
    std::array<std::uint8_t, kLevelSize> map {};
    std::vector<ImageFile> images;

    // Expected captions.
    QString tilesText = QStringLiteral("0");
    QString levelText;
    QString coorXText;
    QString coorYText;
    Status status = Status::Unknown;
    QString statusText;
    int messages = 0; // boxes shown so far
    int openDialogs = 0; // open dialogs asked for so far

    // Expected pictures.
    QImage editor; // 320 x 272
    QImage palette; // 16 x 288
    QImage currentPreview;
    QImage leftPreview;
    QImage rightPreview;

private:
    // A step of the history: a stroke's changed cells (index, before, after), or a load with
    // the map and level number it replaced.
    struct Step
    {
        std::vector<std::array<int, 3>> cells;
        bool isLoad = false;
        std::array<std::uint8_t, kLevelSize> mapBefore {};
        int levelBefore = 0;
        int loaded = 0;
    };
    std::vector<Step> m_history;
    std::size_t m_done = 0; // steps before the undo point
    std::array<int, kLevelSize> m_strokeBefore {}; // -1: not touched by the stroke under way
    std::vector<int> m_strokeCells;
    enum class Gesture { Paint, Pick, Fill, Replace };
    Gesture m_gesture = Gesture::Paint;
    int m_pickButton = 0;
    int m_pickCell = -1; // -1: no pick under way

    // The cell's tile before the stroke under way, kept the first time the stroke touches it.
    void noteStrokeCell(int cell);
    void endStroke();
    void push(Step step);
    void loadStep(int levelBefore);
    void setCells(const Step &step, bool after);
    void load();
    void drawPalette();
    void paint(int button, int x, int y);
    static int cellAt(int x, int y); // -1 beyond the map
    void fill(int button, int cell, bool joinedOnly);
    static void place(QImage &target, int x, int y, const QImage &picture);
    static int snap(double coordinate);
};
