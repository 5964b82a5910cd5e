#include "PanelKit.h"

#include "widgets/Fonts.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QToolButton>

namespace orvane {

QLabel *headingLabel(QWidget *parent, const QString &text, const char *name, const QRect &geometry)
{
    QLabel *label = textLabel(parent, text, geometry, name);
    label->setFont(headingFont());
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLabel *textLabel(QWidget *parent, const QString &text, const QRect &geometry, const char *name)
{
    auto *label = new QLabel(text, parent);
    if (name)
        label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText); // names and serials are data, never markup
    label->setGeometry(geometry);
    return label;
}

QToolButton *imageButton(
    QWidget *parent, const char *name, int x, int y, ButtonFace face, const QString &hint)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(x, y, 50, 50);
    button->setIcon(buttonIcon(face));
    button->setIconSize(QSize(40, 40));
    button->setToolTip(hint);
    button->setToolTipDuration(HintTiming::kShowMs);
    button->setAutoRaise(true);
    return button;
}

QPlainTextEdit *memo(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *edit = new QPlainTextEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setGeometry(geometry);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return edit;
}

int HintTiming::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
    QStyleHintReturn *returnData) const
{
    if (hint == SH_ToolTip_WakeUpDelay)
        return kWakeUpMs;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void showNewestLine(QPlainTextEdit *memo)
{
    QScrollBar *bar = memo->verticalScrollBar();
    bar->setValue(bar->maximum());
}

} // namespace orvane
