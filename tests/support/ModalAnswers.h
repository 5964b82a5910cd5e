#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
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
            if (m_fileNames.isEmpty())
                return dialog->reject();
            dialog->selectFile(m_fileNames.takeFirst());
            QMetaObject::invokeMethod(dialog, "accept");
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            messages << box->text();
            box->close();
        }
    }
    QStringList m_fileNames;
    QTimer m_timer;
};
