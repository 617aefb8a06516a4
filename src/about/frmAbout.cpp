// The About window, laid out in pixels at 96 dots per inch inside a white bordered box.
#include "frmAbout.h"

#include "platform/Fonts.h"
#include "rom/Artwork.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

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

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect area(QPoint(0, 0), kClientSize);
        area.moveCenter(screen->availableGeometry().center());
        move(area.topLeft());
    }
    Form_Load();
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
}

void frmAbout::btnClose_Click()
{
    accept();
}
