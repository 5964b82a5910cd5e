#include "MXPMenu.h"

#include "Fonts.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionMenuItem>

namespace orvane {

TMXPMenu::TMXPMenu(QWidget *owner)
    : m_owner(owner)
{
    // The base style is the application's; this object stays owned by us.
    setParent(owner);
}

TMXPMenu::~TMXPMenu()
{
    unhookAll();
}

void TMXPMenu::setActive(bool active)
{
    m_active = active;
    unhookAll();
    if (!active || !m_owner)
        return;
    for (QMenuBar *bar : m_owner->findChildren<QMenuBar *>(Qt::FindDirectChildrenOnly)) {
        hook(bar);
        for (QAction *action : bar->actions()) {
            if (QMenu *menu = action->menu())
                hookMenu(menu);
        }
    }
}

void TMXPMenu::hook(QWidget *widget)
{
    widget->setStyle(this);
    m_hooked.append(widget);
}

void TMXPMenu::hookMenu(QMenu *menu)
{
    hook(menu);
    for (QAction *action : menu->actions()) {
        if (QMenu *sub = action->menu())
            hookMenu(sub);
    }
}

void TMXPMenu::unhookAll()
{
    for (const QPointer<QWidget> &widget : std::as_const(m_hooked)) {
        if (widget && widget->style() == this)
            widget->setStyle(nullptr);
    }
    m_hooked.clear();
}

void TMXPMenu::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
    QPainter *painter, const QWidget *widget) const
{
    if (element == PE_PanelMenu || element == PE_FrameMenu) {
        // A plain frame around the popup, the strip and text colours inside.
        if (element == PE_PanelMenu)
            painter->fillRect(option->rect, BackColor);
        painter->setPen(DisabledFontColor);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        return;
    }
    if (element == PE_PanelMenuBar) {
        painter->fillRect(option->rect, IconBackColor);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TMXPMenu::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
    const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (!item
        || (element != CE_MenuItem && element != CE_MenuBarItem
            && element != CE_MenuBarEmptyArea)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    if (element == CE_MenuBarEmptyArea) {
        painter->fillRect(option->rect, IconBackColor);
        return;
    }

    painter->save();
    const QRect r = item->rect;
    const bool rightToLeft = item->direction == Qt::RightToLeft;
    const bool topLevel = element == CE_MenuBarItem;
    QRect strip(rightToLeft ? r.right() - kIconStripWidth + 1 : r.left(), r.top(), kIconStripWidth,
        r.height());
    QRect text = rightToLeft
        ? QRect(r.left(), r.top(), r.width() - kIconStripWidth, r.height())
        : QRect(r.left() + kIconStripWidth, r.top(), r.width() - kIconStripWidth, r.height());

    painter->fillRect(text, BackColor);
    if (topLevel) {
        painter->fillRect(r, IconBackColor);
        if (item->icon.isNull()) {
            text = r;
            strip = QRect();
        }
    }
    if (!strip.isNull())
        painter->fillRect(strip, IconBackColor);

    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = r.top() + r.height() / 2;
        painter->setPen(SeparatorColor);
        painter->drawLine(r.left() + 10, y, r.right() - 2, y);
        painter->restore();
        return;
    }

    const bool enabled = item->state & State_Enabled;
    const bool highlighted = item->state & State_Selected;
    QColor textColor = enabled ? FontColor : DisabledFontColor;
    if (highlighted) {
        painter->fillRect(text, SelectedBackColor);
        painter->setPen(SelectedFontColor);
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        if (enabled)
            textColor = SelectedFontColor;
    }

    const bool hasImage = !item->icon.isNull();
    if (item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked && !strip.isNull()) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(CheckedColor);
        painter->setBrush(CheckedSignColor);
        if (hasImage) {
            painter->drawRoundedRect(QRectF(strip).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        } else {
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(QRectF(strip.adjusted(5, 5, -5, -5)), 3, 3);
            painter->fillRect(strip.adjusted(7, 7, -7, -7), CheckedSignColor);
        }
        painter->setRenderHint(QPainter::Antialiasing, false);
    }
    if (hasImage && !strip.isNull()) {
        const QIcon::Mode mode = enabled ? QIcon::Normal : QIcon::Disabled;
        painter->drawPixmap(strip.left() + 4, strip.top() + 1, item->icon.pixmap(16, 16, mode));
    }

    QFont font = windowFont();
    font.setFamilies({ QStringLiteral("Tahoma"), windowFont().family() });
    font.setBold(item->menuItemType == QStyleOptionMenuItem::DefaultItem);
    painter->setFont(font);
    painter->setPen(textColor);
    const qsizetype tab = item->text.indexOf(u'\t');
    const QString caption = u' ' + (tab >= 0 ? item->text.left(tab) : item->text);
    const QRect textRect = text.adjusted(2, 2, -2, 0);
    const int align = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    painter->drawText(textRect.adjusted(0, -2, 0, 0), align | Qt::AlignLeft, caption);
    if (tab >= 0)
        painter->drawText(
            textRect.adjusted(0, -2, 0, 0), align | Qt::AlignRight, item->text.mid(tab + 1) + u' ');
    painter->restore();
}

} // namespace orvane
