#include "MainFormPorts.h"

#include "common/Text1252.h"
#include "modules/WarningFormUnit.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableWidget>

namespace orvane {

int MemoLog::lineCount() const
{
    return m_memo->document()->isEmpty() ? 0 : m_memo->document()->blockCount();
}

void MemoLog::clear()
{
    m_memo->clear();
}

void MemoLog::appendLine(const QByteArray &line)
{
    m_memo->appendPlainText(fromWindows1252(line));
}

void MessageBoxes::showError(const QByteArray &text)
{
    QMessageBox::critical(m_owner, QStringLiteral("Error"), fromWindows1252(text),
                          QMessageBox::Ok);
}

void MessageBoxes::showWarning(const QByteArray &caption, const QByteArray &text)
{
    // No owner window, kept above all windows.
    QMessageBox box(QMessageBox::Warning, fromWindows1252(caption), fromWindows1252(text),
                    QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void GridConfigView::setCaption(const QByteArray &text)
{
    m_caption->setText(fromWindows1252(text));
}

void GridConfigView::setCell(int column, int row, const QByteArray &text)
{
    if (row < 0 || row >= m_grid->rowCount() || column < 0 || column >= m_grid->columnCount())
        return;
    QTableWidgetItem *item = m_grid->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        m_grid->setItem(row, column, item);
    }
    item->setText(fromWindows1252(text));
}

QByteArray GridConfigView::cell(int column, int row) const
{
    const QTableWidgetItem *item = m_grid->item(row, column);
    return item ? toWindows1252(item->text()) : QByteArray();
}

void GridConfigView::setTraceBox(int index, bool visible, bool checked)
{
    if (index < 1 || index > m_boxes.size())
        return;
    QCheckBox *box = m_boxes[index - 1];
    box->setVisible(visible);
    box->setChecked(checked);
}

void GridConfigView::repaint()
{
    m_grid->viewport()->update();
}

void AlarmPanelOutput::appendAlarmLine(const QByteArray &line)
{
    m_memo->appendPlainText(fromWindows1252(line));
}

void AlarmPanelOutput::showWarning(const QByteArray &timeText, const QByteArray &moduleText,
                                   const QByteArray &signalText, const QByteArray &limitsText)
{
    if (m_form)
        m_form->showAlarm(timeText, moduleText, signalText, limitsText);
}

} // namespace orvane
