#include "AboutUnit.h"

#include "PanelKit.h"
#include "widgets/Fonts.h"
#include "widgets/Paneles.h"
#include "widgets/VersionInfo.h"

#include <QLabel>
#include <QPushButton>

#include <cmath>

namespace orvane {

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);
    setFont(windowFont());
    setFixedSize(298, 162);

    Panel1 = new TPaneles(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 298, 162);
    Panel1->setBitmap(aboutSkin());

    const TVerInfo version;
    ProductName = headingLabel(
        Panel1, QStringLiteral("Orvane System"), "ProductName", QRect(16, 16, 266, 21));
    Version = textLabel(Panel1, QStringLiteral("Version %1").arg(version.FileVersion()),
        QRect(16, 48, 266, 17), "Version");
    Copyright = textLabel(Panel1, version.LegalCopyright(), QRect(16, 72, 266, 17), "Copyright");
    OKButton = new QPushButton(QStringLiteral("OK"), Panel1);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 120, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

QPoint TAboutBox::centredOver(const QRect &owner, const QSize &box)
{
    const auto half = [](int difference) { return int(std::lround(difference / 2.0)); };
    return { owner.left() + half(owner.width() - box.width()),
        owner.top() + half(owner.height() - box.height()) };
}

} // namespace orvane
