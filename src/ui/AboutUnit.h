#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace orvane {

class TPaneles;

// The About box: the program's name and file version on its own skin.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    TPaneles *Panel1 = nullptr;
    QLabel *ProductName = nullptr;
    QLabel *Version = nullptr;
    QLabel *Copyright = nullptr;
    QPushButton *OKButton = nullptr;

    // Where the box goes to be centred over `owner`: its left is the owner's
    // left plus half the width difference, its top likewise, each rounded to
    // the nearest pixel.
    static QPoint centredOver(const QRect &owner, const QSize &box);
};

} // namespace orvane
