// Writing and strictly reading the level text.
#include "LevelText.h"

#include "base/Hex.h"

#include <QSet>

#include <algorithm>
#include <charconv>

namespace LevelText {
namespace {

// A tile number is exactly two hex digits, either case; no sign, no prefix.
bool tileNumber(QByteArrayView text, unsigned &tile)
{
    if (text.size() != 2)
        return false;
    const auto [end, error] = std::from_chars(text.begin(), text.end(), tile, 16);
    return error == std::errc() && end == text.end();
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A word of a line and the 1-based column it starts in.
struct Word
{
    QByteArrayView text;
    int column = 0;
};

QList<Word> splitWords(QByteArrayView line)
{
    QList<Word> words;
    qsizetype i = 0;
    while (i < line.size()) {
        if (isBlank(line[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        words.append({ line.sliced(start, i - start), static_cast<int>(start) + 1 });
    }
    return words;
}

QString shown(QByteArrayView word)
{
    return QString::fromUtf8(word.first(qMin<qsizetype>(word.size(), 20)));
}

// Lines of the text without their line ends, each with its number counted from 1.
template<typename Visit> bool forEachLine(const QByteArray &text, Visit visit)
{
    const QList<QByteArray> lines = text.split('\n');
    // A final newline ends the last line rather than starting an empty one.
    const qsizetype count = text.endsWith('\n') ? lines.size() - 1 : lines.size();
    for (qsizetype i = 0; i < count; ++i) {
        QByteArrayView line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (!visit(static_cast<int>(i) + 1, line))
            return false;
    }
    return true;
}

// Reads the text line by line, keeping the level being filled until it has all its rows.
class Parser
{
public:
    // most: the levels a text may hold.
    explicit Parser(int most = RomLayout::kLevelCount)
        : m_most(most)
    { }

    bool run(const QByteArray &text)
    {
        const bool whole = forEachLine(text, [this](int line, QByteArrayView view) {
            m_line = line;
            return parseLine(view);
        });
        if (!whole)
            return false;
        ++m_line;
        if (!finishLevel(1))
            return false;
        m_line = 1;
        if (m_levels.isEmpty())
            return fail(1,
                        QStringLiteral("the text holds no levels (expected a line \"level N\")"));
        return true;
    }

    QList<Level> &levels() { return m_levels; }
    const ParseError &error() const { return m_error; }

private:
    bool fail(int column, const QString &reason)
    {
        m_error = { m_line, column, reason };
        return false;
    }

    bool parseLine(QByteArrayView line)
    {
        const QList<Word> words = splitWords(line);
        if (words.isEmpty() || words.front().text.startsWith('#'))
            return true;
        if (words.front().text == "level")
            return parseHeader(words);
        if (!m_open)
            return fail(words.front().column,
                        QStringLiteral("tile numbers outside a level; expected \"level N\" first"));
        return parseRow(words);
    }

    bool parseHeader(const QList<Word> &words)
    {
        if (!finishLevel(words.front().column))
            return false;
        if (words.size() < 2)
            return fail(words.front().column + 5,
                        QStringLiteral("\"level\" needs a level number, 1 to %1")
                            .arg(RomLayout::kLevelCount));
        const Word &number = words[1];
        bool ok = false;
        const int level = number.text.toByteArray().toInt(&ok);
        const bool digitsOnly = std::all_of(number.text.begin(), number.text.end(),
                                            [](char c) { return c >= '0' && c <= '9'; });
        if (!ok || !digitsOnly || level < 1 || level > RomLayout::kLevelCount)
            return fail(number.column,
                        QStringLiteral("\"%1\" is no level number; levels are numbered 1 to %2")
                            .arg(shown(number.text))
                            .arg(RomLayout::kLevelCount));
        if (words.size() > 2)
            return fail(words[2].column,
                        QStringLiteral("unexpected \"%1\" after the level number")
                            .arg(shown(words[2].text)));
        if (m_seen.contains(level))
            return fail(number.column, QStringLiteral("level %1 appears a second time").arg(level));
        if (m_seen.size() == m_most)
            return fail(words.front().column,
                        QStringLiteral("a second level; one level can be pasted at a time"));
        m_seen.insert(level);
        m_open = true;
        m_current = Level { level, LevelMap {} };
        m_rows = 0;
        return true;
    }

    bool parseRow(const QList<Word> &words)
    {
        if (m_rows == RomLayout::kLevelRows)
            return fail(words.front().column,
                        QStringLiteral("level %1 already has its %2 rows")
                            .arg(m_current.number)
                            .arg(RomLayout::kLevelRows));
        for (int column = 0; column < words.size(); ++column) {
            const Word &word = words[column];
            if (column == RomLayout::kLevelColumns)
                return fail(word.column,
                            QStringLiteral("a row holds %1 tile numbers; this is number %2")
                                .arg(RomLayout::kLevelColumns)
                                .arg(column + 1));
            unsigned tile = 0;
            if (!tileNumber(word.text, tile))
                return fail(word.column,
                            QStringLiteral("\"%1\" is no tile number; expected two hex digits, "
                                           "00 to FF")
                                .arg(shown(word.text)));
            m_current.map.setCell(column, m_rows, static_cast<int>(tile));
        }
        if (words.size() < RomLayout::kLevelColumns)
            return fail(words.back().column + static_cast<int>(words.back().text.size()),
                        QStringLiteral("the row has %1 tile numbers; expected %2")
                            .arg(words.size())
                            .arg(RomLayout::kLevelColumns));
        ++m_rows;
        return true;
    }

    // Closes the level being read, which must have all its rows by now.
    bool finishLevel(int column)
    {
        if (!m_open)
            return true;
        if (m_rows < RomLayout::kLevelRows)
            return fail(column,
                        QStringLiteral("level %1 ends after %2 rows; expected %3")
                            .arg(m_current.number)
                            .arg(m_rows)
                            .arg(RomLayout::kLevelRows));
        m_levels.append(m_current);
        m_open = false;
        return true;
    }

    int m_most;
    int m_line = 0;
    bool m_open = false;
    Level m_current;
    int m_rows = 0;
    QSet<int> m_seen;
    QList<Level> m_levels;
    ParseError m_error;
};

void appendRow(QByteArray &text, const LevelMap &map, int row, int column, int columns)
{
    for (int i = 0; i < columns; ++i) {
        text += Hex::digits(map.cellAt(column + i, row), 2).toLatin1();
        text += i + 1 < columns ? ' ' : '\n';
    }
}

// Rows of tile numbers without a "level N" line, as a selection is copied.
bool parseRows(const QByteArray &text, Piece &piece, ParseError &error)
{
    Piece read;
    const auto fail = [&error](int line, int column, const QString &reason) {
        error = { line, column, reason };
        return false;
    };
    const bool whole = forEachLine(text, [&](int line, QByteArrayView view) {
        const QList<Word> words = splitWords(view);
        if (words.isEmpty() || words.front().text.startsWith('#'))
            return true;
        if (read.rows == RomLayout::kLevelRows)
            return fail(
                line, words.front().column,
                QStringLiteral("a level has %1 rows; this is one more").arg(RomLayout::kLevelRows));
        const int expected = read.rows == 0 ? RomLayout::kLevelColumns : read.columns;
        for (int i = 0; i < words.size(); ++i) {
            unsigned tile = 0;
            if (!tileNumber(words[i].text, tile))
                return fail(line, words[i].column,
                            QStringLiteral("\"%1\" is no tile number; expected two hex digits, "
                                           "00 to FF")
                                .arg(shown(words[i].text)));
            if (i == expected)
                return fail(line, words[i].column,
                            read.rows == 0
                                ? QStringLiteral("a row holds at most %1 tile numbers")
                                      .arg(RomLayout::kLevelColumns)
                                : QStringLiteral("the first row has %1 tile numbers; this is "
                                                 "number %2")
                                      .arg(read.columns)
                                      .arg(i + 1));
            read.tiles.push_back(static_cast<std::uint8_t>(tile));
        }
        if (read.rows > 0 && words.size() < read.columns)
            return fail(line, words.back().column + static_cast<int>(words.back().text.size()),
                        QStringLiteral("the row has %1 tile numbers; the first row has %2")
                            .arg(words.size())
                            .arg(read.columns));
        read.columns = static_cast<int>(words.size());
        ++read.rows;
        return true;
    });
    if (!whole)
        return false;
    if (read.rows == 0)
        return fail(1, 1, QStringLiteral("the text holds no tile numbers"));
    piece = std::move(read);
    return true;
}

} // namespace

QByteArray format(const QList<Level> &levels)
{
    QByteArray text;
    text.reserve(levels.size() * (12 + RomLayout::kLevelRows * RomLayout::kLevelColumns * 3 + 1));
    for (const Level &level : levels) {
        text += "level " + QByteArray::number(level.number) + '\n';
        for (int row = 0; row < RomLayout::kLevelRows; ++row)
            appendRow(text, level.map, row, 0, RomLayout::kLevelColumns);
        text += '\n';
    }
    return text;
}

bool parse(const QByteArray &text, QList<Level> &levels, ParseError &error)
{
    Parser parser;
    if (!parser.run(text)) {
        error = parser.error();
        return false;
    }
    levels = std::move(parser.levels());
    return true;
}

QByteArray formatPiece(const LevelMap &map, int column, int row, int columns, int rows)
{
    Q_ASSERT(LevelMap::inRange(column, row)
             && LevelMap::inRange(column + columns - 1, row + rows - 1));
    QByteArray text;
    for (int i = 0; i < rows; ++i)
        appendRow(text, map, row + i, column, columns);
    return text;
}

bool parsePiece(const QByteArray &text, Piece &piece, ParseError &error)
{
    // The first word that is not a comment tells a whole level from rows.
    bool level = false;
    forEachLine(text, [&level](int, QByteArrayView line) {
        const QList<Word> words = splitWords(line);
        if (words.isEmpty() || words.front().text.startsWith('#'))
            return true;
        level = words.front().text == "level";
        return false;
    });
    if (!level)
        return parseRows(text, piece, error);
    Parser parser(1);
    if (!parser.run(text)) {
        error = parser.error();
        return false;
    }
    const LevelMap &map = parser.levels().front().map;
    piece = Piece { RomLayout::kLevelColumns,
                    RomLayout::kLevelRows,
                    { map.bytes().begin(), map.bytes().end() },
                    true };
    return true;
}

} // namespace LevelText
