#include "WarningFormUnit.h"

#include "common/Text1252.h"
#include "widgets/Fonts.h"
#include "widgets/Paneles.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

namespace orvane {

namespace {
QLabel *messageLabel(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    QFont font = windowFont();
    font.setBold(true);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText); // names are operator text, never markup
    label->setWordWrap(true);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    label->setGeometry(geometry);
    label->setFixedSize(geometry.size());
    return label;
}
} // namespace

TWarningForm::TWarningForm(QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("WarningForm"));
    setWindowTitle(QStringLiteral("Warning"));
    setModal(false);
    setFixedSize(264, 146);

    setFont(windowFont());
    Panel = new TPaneles(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setGeometry(0, 0, 264, 146);

    Image1 = new QLabel(Panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(8, 8, 32, 32);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));

    MessageLabel1 = messageLabel(Panel, "MessageLabel1", QRect(56, 16, 201, 17));
    MessageLabel2 = messageLabel(Panel, "MessageLabel2", QRect(56, 32, 193, 17));
    MessageLabel3 = messageLabel(Panel, "MessageLabel3", QRect(56, 48, 201, 17));
    MessageLabel4 = messageLabel(Panel, "MessageLabel4", QRect(55, 64, 201, 17));

    HideButton = new QPushButton(QStringLiteral("&Close"), Panel);
    HideButton->setObjectName(QStringLiteral("HideButton"));
    HideButton->setGeometry(96, 104, 75, 25);
    connect(HideButton, &QPushButton::clicked, this, &TWarningForm::HideButtonClick);
}

void TWarningForm::setSkin(const QPixmap &skin)
{
    Panel->setBitmap(skin);
}

void TWarningForm::showAlarm(const QByteArray &timeText, const QByteArray &moduleText,
    const QByteArray &signalText, const QByteArray &limitsText)
{
    MessageLabel1->setText(fromWindows1252(timeText));
    MessageLabel2->setText(fromWindows1252(moduleText));
    MessageLabel3->setText(fromWindows1252(signalText));
    MessageLabel4->setText(fromWindows1252(limitsText));
    show();
}

void TWarningForm::HideButtonClick()
{
    hide();
}

} // namespace orvane
