#pragma once

#include "widgets/Icons.h"

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

} // namespace orvane
