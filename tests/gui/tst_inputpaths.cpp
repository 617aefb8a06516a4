// Image paths with spaces, quotes, non-ASCII, great length or a link: command line and Open dialog.
#include "EditorHarness.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QListView>
#include <QMap>
#include <QTimer>

#include <utility>

using namespace RomLayout;

namespace {

// How the path reaches the program.
enum class Form {
    OneArgument, // one command-line argument
    Split, // one argument per space-separated piece, as an unquoted shell passes it
    Quoted, // one argument wrapped in double quotes
    QuotedAndSplit, // wrapped in double quotes, then split at the spaces
    QuotesInside, // one argument with double quotes around every space and the extension
    Dialog, // chosen in the Open dialog
};

QStringList argumentsFor(Form form, const QString &path)
{
    const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
    switch (form) {
    case Form::OneArgument:
        return { path };
    case Form::Split:
        return path.split(QLatin1Char(' '));
    case Form::Quoted:
        return { quoted };
    case Form::QuotedAndSplit:
        return quoted.split(QLatin1Char(' '));
    case Form::QuotesInside:
        return { QString(path)
                     .replace(QLatin1Char(' '), QLatin1String("\" \""))
                     .replace(QLatin1String(".gb"), QLatin1String("\".gb\"")) };
    case Form::Dialog:
        break;
    }
    return {};
}

// A directory name of exactly length characters.
QString longName(const QString &stem, int length)
{
    return (stem + QString(length, QLatin1Char('x'))).left(length);
}

QString longPath(const QString &stem, const QString &file)
{
    QStringList parts;
    for (int i = 0; i < 5; ++i)
        parts.append(longName(stem + QString::number(i) + QLatin1Char(' '), 60));
    parts.append(file);
    return parts.join(QLatin1Char('/'));
}

} // namespace

class InputPathsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Fonts::installSubstitutions(); }

    void editLandsInTheNamedFile_data()
    {
        QTest::addColumn<QString>("name"); // the image's path inside the test's directory
        QTest::addColumn<QString>("linkTo"); // when set, name is a symbolic link to this
        QTest::addColumn<int>("form");
        QTest::addColumn<bool>("beyond254"); // the file's path is longer than 254 bytes

        const QString spaces = QStringLiteral("Pebble Fen Levels.gb");
        const QString unicode = QStringLiteral("Pébblefen ñ 日本.gb");
        const QString longPlain = longPath(QStringLiteral("folder"), QStringLiteral("image.gb"));
        const QString longSpaced
            = longPath(QStringLiteral("folder with spaces é "), QStringLiteral("Pebble Fen.gb"));
        const QString link = QStringLiteral("link to the image.gb");
        const QString linkTarget = QStringLiteral("real images/Pébble target.gb");
        const auto row
            = [](const char *tag, const QString &name, const QString &linkTo, Form form) {
                  const bool beyond254 = (linkTo.isEmpty() ? name : linkTo).size() > 254;
                  QTest::newRow(tag) << name << linkTo << static_cast<int>(form) << beyond254;
              };

        row("spaces, one argument", spaces, {}, Form::OneArgument);
        row("spaces, one argument per piece", spaces, {}, Form::Split);
        row("spaces, quoted", spaces, {}, Form::Quoted);
        row("spaces, quoted and split", spaces, {}, Form::QuotedAndSplit);
        row("quotes inside the argument", spaces, {}, Form::QuotesInside);
        row("non-ASCII, one argument", unicode, {}, Form::OneArgument);
        row("non-ASCII, one argument per piece", unicode, {}, Form::Split);
        row("non-ASCII, quoted and split", unicode, {}, Form::QuotedAndSplit);
        row("longer than 254 characters", longPlain, {}, Form::OneArgument);
        row("longer than 254 characters with spaces, split", longSpaced, {}, Form::Split);
        row("symbolic link", link, linkTarget, Form::OneArgument);
        row("symbolic link, split", link, linkTarget, Form::Split);
        row("symbolic link to a long path", link, longSpaced, Form::Quoted);

        row("dialog: spaces", spaces, {}, Form::Dialog);
        row("dialog: non-ASCII", unicode, {}, Form::Dialog);
        row("dialog: double quotes are part of the name", QStringLiteral("Say \"Pebble\" Fen.gb"),
            {}, Form::Dialog);
        row("dialog: longer than 254 characters", longPlain, {}, Form::Dialog);
        row("dialog: longer than 254 characters with spaces", longSpaced, {}, Form::Dialog);
        row("dialog: symbolic link", link, linkTarget, Form::Dialog);
    }

    // The path reaches the editor whole; level 1 loads from it, a painted cell is saved into
    // it, and nothing else in the directory changes (a link stays a link, its target takes the
    // edit). Every other file the program could mistake for the image holds the same image,
    // so an edit landing there would show.
    void editLandsInTheNamedFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, linkTo);
        QFETCH(int, form);
        QFETCH(bool, beyond254);

#ifdef Q_OS_WIN
        if (name.contains(QLatin1Char('"')) || Form(form) == Form::QuotesInside)
            QSKIP("Windows file names hold no double quotes");
#endif
        EditorHarness h(false);
        const QString path = h.dir.filePath(name);
        const QString file = h.dir.filePath(linkTo.isEmpty() ? name : linkTo);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QVERIFY(TestImages::write(file, h.bytes));
        if (!linkTo.isEmpty()) {
#ifdef Q_OS_WIN
            QSKIP("symbolic links need rights on Windows that a user rarely has");
#else
            const QString text = QFileInfo(path).dir().relativeFilePath(file);
            QVERIFY(QFile::link(text, path));
#endif
        }
        const QStringList arguments = argumentsFor(Form(form), path);
        QStringList lookalikes { QString(path).remove(QLatin1Char('"')) };
        if (!arguments.isEmpty())
            lookalikes << arguments.first() << arguments.join(QLatin1Char(' '));
        for (const QString &lookalike : std::as_const(lookalikes)) {
            if (lookalike != path && lookalike.startsWith(h.dir.path())
                && !QFileInfo::exists(lookalike))
                QVERIFY(TestImages::write(lookalike, h.bytes));
        }
        if (beyond254)
            QVERIFY(QFile::encodeName(file).size() > 254);
        const auto before = TestImages::entriesUnder(h.dir.path());

        if (Form(form) == Form::Dialog) {
            h.nextOpen = path;
            h.get<QAction>("mnuOpen")->trigger();
        } else {
            h.window.reset();
            h.window = std::make_unique<frmMain>(arguments);
        }
        QCOMPARE(h.state().strFileName, path);

        h.get<QPushButton>("btnLevel")->click();
        QCOMPARE(h.state().intLevelNumber, 1);
        for (int row = 0; row < kLevelRows; ++row) {
            for (int column = 0; column < kLevelColumns; ++column)
                QCOMPARE(h.state().bytLevel.cellAt(column, row),
                         TestImages::cellByte(1, column, row));
        }
        QVERIFY(h.cell("picEditor", 3, 4)
                == TestImages::expectedTile(
                    TestImages::tileBytesOf(h.bytes, TestImages::cellByte(1, 3, 4))));

        const int tile = 5;
        QVERIFY(TestImages::cellByte(1, 3, 4) != tile);
        emit h.surface("picTiles")->mouseMove(0, 0, 8.0f, 16.0f * tile + 4);
        emit h.surface("picTiles")->mouseDown(DrawingSurface::LeftButton, 0, 8.0f, 8.0f);
        QCOMPARE(h.state().intLeftSelectedTile, tile);
        emit h.surface("picEditor")
            ->mouseDown(DrawingSurface::LeftButton, 0, 16.0f * 3 + 8, 16.0f * 4 + 8);
        QVERIFY(h.messages.isEmpty());
        h.get<QAction>("mnuSave")->trigger();
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(h.messages.first().text, QStringLiteral("The file was successfully saved."));

        QByteArray expected = h.bytes;
        expected[levelOffset(1) + cellIndex(3, 4)] = char(tile);
        auto after = before;
        after.insert(QDir(h.dir.path()).relativeFilePath(file), "file " + expected);
        const auto now = TestImages::entriesUnder(h.dir.path());
        QCOMPARE(now.keys(), after.keys());
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            QVERIFY2(now.value(it.key()) == it.value(), qPrintable(it.key()));
    }

    // The real Open dialog: "All Files (*.*)" lists the names without a dot too.
    void allFilesListsEveryFile()
    {
        QTemporaryDir images;
        for (const char *name : { "rom", "game-backup", "level.gb" })
            QVERIFY(TestImages::write(images.filePath(QLatin1String(name)), "x"));
        bool gbAlone = false;
        bool allThree = false;
        QTimer::singleShot(0, this, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            const auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
            const auto lists = [view](int files) {
                return QTest::qWaitFor(
                    [&] { return view->model()->rowCount(view->rootIndex()) == files; });
            };
            gbAlone = lists(1);
            QTest::keyClick(dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo")),
                            Qt::Key_Down); // the second filter, as a user picks it
            allThree = lists(3);
            dialog->close();
        });
        QVERIFY(!Dialogs::getOpenFileName(
            { nullptr, {}, { "Game Boy ROM Image (*.gb)", "All Files (*.*)" }, images.path() }));
        QVERIFY(gbAlone && allThree);
    }
};

QTEST_MAIN(InputPathsTest)
#include "tst_inputpaths.moc"
