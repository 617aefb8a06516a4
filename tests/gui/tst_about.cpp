// Tests of the About window: how the menu opens it, how it closes, and its layout.
#include "about/frmAbout.h"
#include "editor/frmMain.h"
#include "platform/Dialogs.h"
#include "platform/Fonts.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

namespace {

// How a run of About from the menu went.
struct AboutRun
{
    bool opened = false; // a window was up when the test looked
    bool leftOpen = false; // still open after the test's actions, so the helper closed it
};

// The window About opened: the modal one, or else any dialog that is showing.
QWidget *shownDialog()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (qobject_cast<QDialog *>(top) && top->isVisible())
            return top;
    }
    return nullptr;
}

// Triggers About from the menu and, from inside its event loop, runs whileOpen on the window.
// A window that is still open afterwards is closed here, so a fault can never block the run.
AboutRun runAbout(frmMain &window, const std::function<void(QWidget &)> &whileOpen)
{
    AboutRun run;
    QObject guard; // ends the timer with this call
    QTimer::singleShot(0, &guard, [&] {
        QPointer<QWidget> shown = shownDialog();
        if (!shown)
            return;
        run.opened = true;
        if (QTest::qWaitForWindowExposed(shown))
            whileOpen(*shown);
        if (shown && shown->isVisible()) {
            run.leftOpen = true;
            shown->close();
        }
    });
    QAction *about = window.findChild<QAction *>(QStringLiteral("mnuAbout"));
    if (about)
        about->trigger();
    return run;
}

// Every named widget's geometry, and the window's outer width.
struct Layout
{
    QMap<QString, QRect> geometry;
    int outerWidth = 0;
    bool operator==(const Layout &) const = default;
};

Layout layoutOf(const QWidget &dialog)
{
    Layout layout;
    layout.outerWidth = dialog.frameGeometry().width();
    for (const QWidget *child : dialog.findChildren<QWidget *>()) {
        if (!child->objectName().isEmpty())
            layout.geometry.insert(child->objectName(), child->geometry());
    }
    return layout;
}

// The button's left edge: centred on the outer width in twips (15 to the pixel), counted from
// the inside of picAbout's border.
int expectedCloseLeft(int outerWidth, int border)
{
    const double leftTwips = outerWidth * 15.0 / 2 - frmAbout::kCloseButtonTwips / 2;
    return border + qRound(leftTwips / 15.0);
}

} // namespace

class TstAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menuOpensItModal();
    void enterClosesIt();
    void reopeningGivesTheSameLayout();

    void creditLines_data();
    void creditLines();
    void boxBannerAndButton();
    void resizingLeavesTheBoxAlone();

private:
    int m_openCalls = 0;
};

void TstAbout::initTestCase()
{
    Fonts::installSubstitutions();
}

void TstAbout::init()
{
    m_openCalls = 0;
    Dialogs::setOpenFileHook([this](const Dialogs::OpenFileRequest &) {
        ++m_openCalls;
        return std::optional<QString>();
    });
    Dialogs::setMessageHook([](const Dialogs::Message &) {});
}

void TstAbout::cleanup()
{
    Dialogs::setOpenFileHook({});
    Dialogs::setMessageHook({});
}

void TstAbout::menuOpensItModal()
{
    frmMain window({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // The key reaches the main window while nothing is in the way.
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(m_openCalls, 1);

    bool isAbout = false;
    bool isActiveModal = false;
    QString title;
    Qt::WindowModality modality = Qt::NonModal;
    int openCallsWhileOpen = -1;
    const AboutRun run = runAbout(window, [&](QWidget &about) {
        isAbout = qobject_cast<frmAbout *>(&about) != nullptr;
        isActiveModal = QApplication::activeModalWidget() == &about;
        title = about.windowTitle();
        modality = about.windowModality();
        QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
        openCallsWhileOpen = m_openCalls - 1;
    });

    QVERIFY(run.opened);
    QVERIFY(isAbout);
    QVERIFY(isActiveModal);
    QCOMPARE(title, QStringLiteral("About Dorrik"));
    QVERIFY(modality != Qt::NonModal);
    QCOMPARE(openCallsWhileOpen, 0);
    QVERIFY(!QApplication::activeModalWidget());
}

void TstAbout::enterClosesIt()
{
    frmMain window({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const AboutRun run
        = runAbout(window, [](QWidget &about) { QTest::keyClick(&about, Qt::Key_Return); });
    QVERIFY(run.opened);
    QVERIFY(!run.leftOpen);
}

void TstAbout::reopeningGivesTheSameLayout()
{
    frmMain window({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QList<Layout> layouts;
    QList<int> borders;
    QStringList buttonTexts;
    for (int time = 0; time < 2; ++time) {
        const AboutRun run = runAbout(window, [&](QWidget &about) {
            layouts.append(layoutOf(about));
            const auto *picAbout = about.findChild<QFrame *>(QStringLiteral("picAbout"));
            auto *btnClose = about.findChild<QPushButton *>(QStringLiteral("btnClose"));
            borders.append(picAbout ? picAbout->contentsRect().left() : -1);
            buttonTexts.append(btnClose ? btnClose->text() : QString());
            if (btnClose)
                QTest::mouseClick(btnClose, Qt::LeftButton);
        });
        QVERIFY(run.opened);
        QVERIFY2(!run.leftOpen, "btnClose did not close the window");
    }

    QCOMPARE(layouts.size(), 2);
    QCOMPARE(layouts[1], layouts[0]);
    for (int time = 0; time < 2; ++time) {
        const Layout &layout = layouts[time];
        QVERIFY(layout.geometry.contains(QStringLiteral("btnClose")));
        QCOMPARE(buttonTexts[time], QStringLiteral("Had enough?"));
        const QRect button = layout.geometry.value(QStringLiteral("btnClose"));
        QCOMPARE(button.size(), QSize(81, 25));
        QVERIFY(borders[time] >= 0);
        QCOMPARE(button.left(), expectedCloseLeft(layout.outerWidth, borders[time]));
    }
}

void TstAbout::creditLines_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("height");

    QTest::newRow("heading") << "lblAbout_0" << 136 << 17;
    QTest::newRow("line 1") << "lblAbout_1" << 160 << 17;
    QTest::newRow("line 2") << "lblAbout_2" << 184 << 17;
    QTest::newRow("line 3, two lines high") << "lblAbout_3" << 208 << 33;
    QTest::newRow("line 6") << "lblAbout_6" << 248 << 17;
}

void TstAbout::creditLines()
{
    QFETCH(QString, name);
    QFETCH(int, top);
    QFETCH(int, height);

    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const auto *picAbout = about.findChild<QFrame *>(QStringLiteral("picAbout"));
    const auto *label = about.findChild<QLabel *>(name);
    QVERIFY(picAbout && label);
    QCOMPARE(label->parentWidget(), picAbout);

    const QPoint inside = picAbout->contentsRect().topLeft();
    QCOMPARE(label->geometry(), QRect(inside + QPoint(16, top), QSize(361, height)));
    QCOMPARE(label->font().family(), QStringLiteral("System"));
    QVERIFY(label->font().bold());
    QCOMPARE(label->font().pointSizeF(), 9.75);
    QVERIFY(label->wordWrap());
    QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    if (name == QLatin1String("lblAbout_0")) {
        QCOMPARE(label->text(), QStringLiteral(": Dorrik Credits :"));
    } else {
        static const QRegularExpression credit(QStringLiteral("^.+ - .+$"));
        QVERIFY2(credit.match(label->text()).hasMatch(), qPrintable(label->text()));
    }
}

void TstAbout::boxBannerAndButton()
{
    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.windowTitle(), QStringLiteral("About Dorrik"));

    auto *picAbout = about.findChild<QFrame *>(QStringLiteral("picAbout"));
    const auto *btnClose = about.findChild<QPushButton *>(QStringLiteral("btnClose"));
    QVERIFY(picAbout && btnClose);
    QCOMPARE(picAbout->geometry(), QRect(0, 0, 396, 315));
    QCOMPARE(about.size(), QSize(396, 315));

    // The box is white where nothing covers it, left of the button and below the credits.
    const QImage box = picAbout->grab().toImage();
    const QPoint inside = picAbout->contentsRect().topLeft();
    for (const QPoint at : { QPoint(4, 300), QPoint(390, 300), QPoint(4, 140) })
        QCOMPARE(box.pixelColor(inside + at), QColor(Qt::white));

    const QLabel *banner = nullptr;
    for (const QLabel *label : picAbout->findChildren<QLabel *>()) {
        if (!label->pixmap().isNull())
            banner = label;
    }
    QVERIFY(banner);
    QCOMPARE(banner->pixmap().size(), QSize(394, 129));
    QCOMPARE(banner->geometry(), QRect(inside, QSize(394, 129)));

    const QPoint off // from the screen's centre to the outer frame's
        = about.frameGeometry().center() - about.screen()->availableGeometry().center();
    QVERIFY(qAbs(off.x()) <= 1 && qAbs(off.y()) <= 1);
    QCOMPARE(btnClose->text(), QStringLiteral("Had enough?"));
    QCOMPARE(btnClose->size(), QSize(81, 25));
    QCOMPARE(btnClose->x(), expectedCloseLeft(about.frameGeometry().width(), inside.x()));
    QVERIFY(btnClose->isDefault());
    // Below the last credit line and inside the box.
    const auto *last = about.findChild<QLabel *>(QStringLiteral("lblAbout_6"));
    QVERIFY(last);
    QVERIFY(btnClose->y() > last->geometry().bottom());
    QVERIFY(picAbout->contentsRect().contains(btnClose->geometry()));
}

void TstAbout::resizingLeavesTheBoxAlone()
{
    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const auto *picAbout = about.findChild<QFrame *>(QStringLiteral("picAbout"));
    QVERIFY(picAbout);
    const QRect before = picAbout->geometry();

    about.resize(600, 500);
    QCoreApplication::processEvents();
    QCOMPARE(picAbout->geometry(), before);
    QCOMPARE(before, QRect(0, 0, 396, 315));
}

QTEST_MAIN(TstAbout)
#include "tst_about.moc"
