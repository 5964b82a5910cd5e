#include "TreeList.h"

#include "common/Text1252.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace orvane {

namespace {
// Columns after the first: the text starts a fixed indent right of the
// column's left edge, one line, cut with an ellipsis; the row's highlight
// is drawn across the whole cell first.
class ColumnDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        if (index.column() == 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget *widget = opt.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const QRect r = opt.rect.adjusted(TpTree::kColumnTextIndent, 2, -1, -1);
        if (r.width() <= 0)
            return;
        painter->save();
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(
            opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            opt.fontMetrics.elidedText(text, Qt::ElideRight, r.width()));
        painter->restore();
    }
};
} // namespace

TpTree::TpTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(4);
    setHeaderLabels({ QString(), QString(), QString(), QString() });
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setObjectName(QStringLiteral("Header1"));
    viewport()->setObjectName(QStringLiteral("Treeview1"));
    setItemDelegate(new ColumnDelegate(this));
    // Header and rows scroll sideways together, by pixels.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalScrollBar()->setSingleStep(kScrollLineStep);
    // The selected row stays highlighted when the tree has no focus.
    QPalette pal = palette();
    for (const auto role : { QPalette::Highlight, QPalette::HighlightedText })
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        TreeNode *node = nodeOf(item);
        if (!node || !m_model)
            return;
        m_syncing = true;
        m_model->select(node);
        m_syncing = false;
        Q_EMIT nodeClicked(node);
    });
}

void TpTree::setModel(NavigationTree *model)
{
    if (m_model)
        m_model->setObserver(nullptr);
    m_model = model;
    treeCleared();
    if (!m_model)
        return;
    m_model->setObserver(this);
    for (TreeNode *n = m_model->firstNode(); n; n = m_model->nextNode(n))
        nodeAdded(n);
    nodeSelected(m_model->selected());
}

void TpTree::setSections(const QList<int> &widths, int fixedCount)
{
    setColumnCount(int(widths.size()));
    for (int i = 0; i < widths.size(); ++i) {
        header()->resizeSection(i, widths[i]);
        header()->setSectionResizeMode(
            i, i < fixedCount ? QHeaderView::Fixed : QHeaderView::Interactive);
    }
}

void TpTree::applyText(QTreeWidgetItem *item, TreeNode *node)
{
    const QList<QByteArray> parts = node->text().split(NavigationTree::Separator);
    for (int col = 0; col < columnCount(); ++col)
        item->setText(col, col < parts.size() ? fromWindows1252(parts[col]) : QString());
    const int image = node->imageIndex();
    item->setIcon(0, image >= 0 && image < m_images.size() ? m_images[image] : QIcon());
}

void TpTree::treeCleared()
{
    m_items.clear();
    m_nodes.clear();
    clear();
}

void TpTree::nodeAdded(TreeNode *node)
{
    QTreeWidgetItem *item = nullptr;
    if (TreeNode *parent = node->parent()) {
        QTreeWidgetItem *parentItem = m_items.value(parent);
        if (!parentItem)
            return;
        item = new QTreeWidgetItem(parentItem);
    } else {
        item = new QTreeWidgetItem(this);
    }
    m_items.insert(node, item);
    m_nodes.insert(item, node);
    applyText(item, node);
}

void TpTree::nodeChanged(TreeNode *node)
{
    if (QTreeWidgetItem *item = m_items.value(node))
        applyText(item, node);
}

void TpTree::nodeSelected(TreeNode *node)
{
    if (m_syncing)
        return;
    QTreeWidgetItem *item = m_items.value(node);
    if (!item) {
        clearSelection();
        return;
    }
    // Selecting a node opens its parents, as the operator would see it.
    for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    setCurrentItem(item);
}

} // namespace orvane
