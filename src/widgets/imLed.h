#pragma once

#include <QColor>
#include <QWidget>

namespace orvane {

// A round LED that shows an on/off state: filled with OnColor when Checked,
// OffColor otherwise, outlined in the button-shadow colour, with a small
// highlight up and left of the centre. 14 x 14 pixels unless resized.
class TimLed : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Checked READ Checked WRITE setChecked)
    Q_PROPERTY(QColor OnColor READ OnColor WRITE setOnColor)
    Q_PROPERTY(QColor OffColor READ OffColor WRITE setOffColor)
public:
    explicit TimLed(QWidget *parent = nullptr);

    bool Checked() const { return m_checked; }
    // Each setter repaints only when the value changes.
    void setChecked(bool checked);
    QColor OnColor() const { return m_onColor; }
    void setOnColor(const QColor &color);
    QColor OffColor() const { return m_offColor; }
    void setOffColor(const QColor &color);

    QSize sizeHint() const override { return { 14, 14 }; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_checked = false;
    QColor m_onColor { 0, 255, 0 };
    QColor m_offColor;
};

} // namespace orvane
