// The About window: a banner, the credits and a button that closes it.
#pragma once

#include <QDialog>

#include <array>

class QFrame;
class QLabel;
class QPushButton;

class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget *parent = nullptr);

    // The button's width in twips (1440 to the inch, 15 to the pixel at 96 dots per inch).
    static constexpr double kCloseButtonTwips = 1215.0;

public slots:
    void btnClose_Click();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Load();
    void placeCloseButton();
    void centreOnScreen(QMargins frame);

    QFrame *picAbout = nullptr;
    QLabel *banner = nullptr;
    QPushButton *btnClose = nullptr;
    // Elements 0 (the heading), 1, 2, 3 and 6 (the credit lines); 4 and 5 do not exist.
    std::array<QLabel *, 7> lblAbout {};
};
