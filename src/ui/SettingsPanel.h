#pragma once

#include "modules/ModulePorts.h"
#include "widgets/Paneles.h"

#include <QList>

class QCheckBox;
class QLabel;
class QTableWidget;

namespace orvane {

// The configuration grid with its caption and trace check boxes, as a module
// object fills and reads it.
class GridConfigView : public ConfigView
{
public:
    GridConfigView(QTableWidget *grid, QLabel *caption, QList<QCheckBox *> boxes)
        : m_grid(grid)
        , m_caption(caption)
        , m_boxes(std::move(boxes))
    {
    }
    void setCaption(const QByteArray &text) override;
    void setCell(int column, int row, const QByteArray &text) override;
    QByteArray cell(int column, int row) const override;
    void setTraceBox(int index, bool visible, bool checked) override;
    void repaint() override;

private:
    QTableWidget *m_grid;
    QLabel *m_caption;
    QList<QCheckBox *> m_boxes;
};

// Panel 2: the signal configuration of the selected module.
class TSettingsPanel : public TPaneles
{
    Q_OBJECT
public:
    explicit TSettingsPanel(QWidget *parent = nullptr);
    ~TSettingsPanel() override;

    QLabel *SettingsLabel = nullptr; // heading
    QTableWidget *StringGrid = nullptr;
    QList<QCheckBox *> CheckBoxes; // Checkbox1 .. Checkbox16
    ConfigView *configView() { return m_view.get(); }

private:
    std::unique_ptr<GridConfigView> m_view;
};

} // namespace orvane
