#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

// Answers the modal dialogs that open while it lives, as an operator
// would: a file dialog gets the next file name (or is cancelled when none is
// left), a message box is read and closed.
class ModalAnswers : public QObject
{
public:
    explicit ModalAnswers(QStringList fileNames)
        : m_fileNames(std::move(fileNames))
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswers::answer);
        m_timer.start(10);
    }
    QStringList messages; // texts of the message boxes

private:
    void answer()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            if (dialog == m_answered) // its accept is still queued
                return;
            if (m_fileNames.isEmpty())
                return dialog->reject();
            // selectFile() leaves the name field alone while it has the
            // focus, so the name is typed into the field itself.
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!name)
                return dialog->reject();
            name->setText(m_fileNames.takeFirst());
            m_answered = dialog;
            QMetaObject::invokeMethod(
                dialog,
                [this, dialog] {
                    m_answered = nullptr;
                    QMetaObject::invokeMethod(dialog, "accept");
                },
                Qt::QueuedConnection);
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            messages << box->text();
            box->close();
        }
    }
    QStringList m_fileNames;
    QPointer<QFileDialog> m_answered;
    QTimer m_timer;
};
