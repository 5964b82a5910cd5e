#include "MainFormPorts.h"

#include "common/Text1252.h"

#include <QMessageBox>

namespace orvane {

void MessageBoxes::showError(const QByteArray &text)
{
    QMessageBox::critical(m_owner, QStringLiteral("Error"), fromWindows1252(text), QMessageBox::Ok);
}

void MessageBoxes::showWarning(const QByteArray &caption, const QByteArray &text)
{
    // No owner window, kept above all windows.
    QMessageBox box(
        QMessageBox::Warning, fromWindows1252(caption), fromWindows1252(text), QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

} // namespace orvane
