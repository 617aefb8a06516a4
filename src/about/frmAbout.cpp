// The About window, laid out in pixels at 96 dots per inch inside a white bordered box.
#include "frmAbout.h"

#include "picture/Artwork.h"
#include "platform/Fonts.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace {

constexpr QSize kClientSize(396, 315);
constexpr int kBorder = 1; // picAbout's single-line border; children sit inside it
constexpr int kTwipsPerPixel = 15;

struct CreditLine
{
    int index;
    int top;
    int height;
    const char *text;
};

// Each line: who, a dash, and what they did. The third is two text lines high.
constexpr std::array<CreditLine, 5> kCredits = { {
    { 0, 136, 17, ": Dorrik Credits :" },
    { 1, 160, 17, "Dorrik developers - design, code and tests" },
    { 2, 184, 17, "Dorrik artists - the icon, banner and demo tiles" },
    { 3, 208, 33,
      "ROM hackers - the reports, wishes and patience that shaped every command of this "
      "editor" },
    { 6, 248, 17, "The Qt project - the toolkit Dorrik stands on" },
} };

// Labels lie beneath the button and never take its clicks, as in the main window.
void keepBeneath(QLabel *label)
{
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->lower();
}

} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Dorrik"));
    setWindowIcon(QIcon()); // no icon of its own
    resize(kClientSize);

    picAbout = new QFrame(this);
    picAbout->setObjectName(QStringLiteral("picAbout"));
    picAbout->setGeometry(QRect(QPoint(0, 0), kClientSize));
    picAbout->setFrameStyle(QFrame::Box | QFrame::Plain);
    picAbout->setLineWidth(kBorder);
    // A fixed white, not the colour scheme's: the banner's background is white too.
    QPalette white = picAbout->palette();
    white.setColor(QPalette::Window, Qt::white);
    picAbout->setPalette(white);
    picAbout->setAutoFillBackground(true);

    banner = new QLabel(picAbout);
    banner->setObjectName(QStringLiteral("banner"));
    banner->setPixmap(QPixmap::fromImage(Artwork::aboutBanner()));
    banner->setGeometry(kBorder, kBorder, 394, 129);
    keepBeneath(banner);

    btnClose = new QPushButton(QStringLiteral("Had enough?"), picAbout);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(kBorder + 128, kBorder + 272, 81, 25);
    btnClose->setFont(Fonts::dialogDefault());
    btnClose->setDefault(true);
    btnClose->setAutoDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &frmAbout::btnClose_Click);

    for (const CreditLine &line : kCredits) {
        auto *label = new QLabel(QString::fromUtf8(line.text), picAbout);
        label->setObjectName(QStringLiteral("lblAbout_%1").arg(line.index));
        label->setGeometry(kBorder + 16, kBorder + line.top, 361, line.height);
        label->setFont(Fonts::systemBold());
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
        label->setPalette(white);
        label->setAutoFillBackground(true); // opaque white
        keepBeneath(label);
        lblAbout.at(static_cast<std::size_t>(line.index)) = label;
    }

    // Tab order: the button first, so Enter and Space press it as soon as the window opens.
    btnClose->setFocus();

    // The window system frames its windows alike, so the window About was chosen from tells
    // this one's frame before it has its own; with no frame the client area is centred.
    const QWidget *chosenFrom = QApplication::activeWindow();
    centreOnScreen(chosenFrom && chosenFrom->windowHandle()
                       ? chosenFrom->windowHandle()->frameMargins()
                       : QMargins());
    Form_Load();
}

void frmAbout::centreOnScreen(QMargins frame)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect outer(QPoint(0, 0), size().grownBy(frame));
    outer.moveCenter(screen->availableGeometry().center());
    // A window's position is its frame's corner, before the frame exists as well as after; a
    // window already in its place is not asked to move again.
    if (pos() != outer.topLeft())
        move(outer.topLeft());
}

void frmAbout::Form_Load()
{
    placeCloseButton();
}

void frmAbout::placeCloseButton()
{
    // Centred on the window's outer width, frame included, and counted from inside picAbout:
    // the button sits right of the client area's centre by one frame side plus one pixel.
    const double outerTwips = static_cast<double>(frameGeometry().width()) * kTwipsPerPixel;
    const double leftTwips = outerTwips / 2 - kCloseButtonTwips / 2;
    btnClose->move(kBorder + qRound(leftTwips / kTwipsPerPixel), btnClose->y());
}

void frmAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The window system may have given the window its frame only now.
    placeCloseButton();
    if (windowHandle())
        windowHandle()->installEventFilter(this);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    // By the time the window is first exposed, the window system has framed it and told the
    // frame's size: should it differ from the frame guessed before, the window moves once.
    if (watched == windowHandle() && event->type() == QEvent::Expose
        && windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        centreOnScreen(windowHandle()->frameMargins());
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::btnClose_Click()
{
    accept();
}
