#pragma once

#include "widgets/Icons.h"

#include <QProxyStyle>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QRect;
class QToolButton;
class QWidget;

namespace orvane {

// Small builders shared by the main window's panels.

// A bold heading label at `geometry`, named `name`.
QLabel *headingLabel(QWidget *parent, const QString &text, const char *name, const QRect &geometry);
// A plain label of the window font.
QLabel *textLabel(
    QWidget *parent, const QString &text, const QRect &geometry, const char *name = nullptr);
// A 50 x 50 speed button with an image and a hint, no caption.
QToolButton *imageButton(
    QWidget *parent, const char *name, int x, int y, ButtonFace face, const QString &hint);
// A plain-text memo without scroll bars whose newest line stays in view.
QPlainTextEdit *memo(QWidget *parent, const char *name, const QRect &geometry);
// Keeps the memo's last line visible after lines were added.
void showNewestLine(QPlainTextEdit *memo);

// Hint timing of the windows: a hint shows after the pointer has rested
// 100 ms on a control (the buttons also hide theirs after 1000 ms).
class HintTiming : public QProxyStyle
{
public:
    static constexpr int kWakeUpMs = 100;
    static constexpr int kShowMs = 1000;
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr,
        const QWidget *widget = nullptr, QStyleHintReturn *returnData = nullptr) const override;
};

} // namespace orvane
