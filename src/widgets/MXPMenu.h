#pragma once

#include <QColor>
#include <QPointer>
#include <QProxyStyle>

class QMenu;
class QWidget;

namespace orvane {

// Paints every menu of its owner window in a flat style: a 24-pixel icon
// strip at the left of each item, the text area beside it, a framed
// highlight, check marks, separators as thin lines. Item sizes stay the
// toolkit's. Activating hooks the owner's menu bar and all its menus
// (recursively, also menus added later when Active is set again);
// deactivating gives them back their own style.
class TMXPMenu : public QProxyStyle
{
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE setActive)
    Q_PROPERTY(QColor BackColor MEMBER BackColor)
    Q_PROPERTY(QColor IconBackColor MEMBER IconBackColor)
    Q_PROPERTY(QColor SelectedBackColor MEMBER SelectedBackColor)
    Q_PROPERTY(QColor FontColor MEMBER FontColor)
    Q_PROPERTY(QColor SelectedFontColor MEMBER SelectedFontColor)
    Q_PROPERTY(QColor DisabledFontColor MEMBER DisabledFontColor)
    Q_PROPERTY(QColor SeparatorColor MEMBER SeparatorColor)
    Q_PROPERTY(QColor CheckedColor MEMBER CheckedColor)
    Q_PROPERTY(QColor CheckedSignColor MEMBER CheckedSignColor)
public:
    static constexpr int kIconStripWidth = 24;

    // Colours start at the component's defaults; Active is false until set.
    explicit TMXPMenu(QWidget *owner);
    ~TMXPMenu() override;

    bool Active() const { return m_active; }
    void setActive(bool active);

    QColor BackColor { 225, 225, 225 };
    QColor IconBackColor { 209, 209, 209 };
    QColor SelectedBackColor { 199, 207, 220 };
    QColor FontColor { 0, 0, 0 };
    QColor SelectedFontColor { 0, 0, 128 };
    QColor DisabledFontColor { 128, 128, 128 };
    QColor SeparatorColor { 209, 209, 209 };
    QColor CheckedColor { 128, 128, 128 };
    QColor CheckedSignColor { 57, 109, 165 };

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;

private:
    void hook(QWidget *widget);
    void hookMenu(QMenu *menu);
    void unhookAll();

    QPointer<QWidget> m_owner;
    QList<QPointer<QWidget>> m_hooked;
    bool m_active = false;
};

} // namespace orvane
