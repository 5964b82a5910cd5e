#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QPixmap;

namespace orvane {

class TPaneles;

// The alarm window: a small stay-on-top dialog, without close box in its
// title bar, that shows the latest alarm in four bold labels (time, module,
// signal, limits) until the operator presses "&Close". It is created hidden
// at start; every alarm overwrites the labels and shows it again, without
// making it modal.
class TWarningForm : public QDialog
{
    Q_OBJECT
public:
    explicit TWarningForm(QWidget *parent = nullptr);

    TPaneles *Panel = nullptr; // fills the client area; carries the skin
    QLabel *Image1 = nullptr;
    QLabel *MessageLabel1 = nullptr; // time text
    QLabel *MessageLabel2 = nullptr; // module text
    QLabel *MessageLabel3 = nullptr; // signal text
    QLabel *MessageLabel4 = nullptr; // limits text
    QPushButton *HideButton = nullptr;

    // The main window's skin bitmap, drawn behind the controls.
    void setSkin(const QPixmap &skin);

public slots:
    // Texts are Windows-1252 bytes, as the alarm check builds them.
    void showAlarm(const QByteArray &timeText, const QByteArray &moduleText,
        const QByteArray &signalText, const QByteArray &limitsText);
    void HideButtonClick();
};

} // namespace orvane
