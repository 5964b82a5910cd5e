#pragma once

#include "common/NavigationTree.h"

#include <QHash>
#include <QTreeWidget>

namespace orvane {

// The tree with columns: shows a NavigationTree whose node texts are split
// into columns at the separator "|". The first part is the node's label at its
// indentation, every further part goes to the next column; parts beyond the
// last column are not shown. Selection highlights the whole row.
class TpTree : public QTreeWidget, public TreeObserver
{
    Q_OBJECT
public:
    // Text indent inside every column after the first.
    static constexpr int kColumnTextIndent = 9;
    // Pixels per sideways scroll line.
    static constexpr int kScrollLineStep = 15;

    explicit TpTree(QWidget *parent = nullptr);

    // Shows `model` and follows its changes from now on.
    void setModel(NavigationTree *model);
    NavigationTree *model() const { return m_model; }
    // Column widths; the first sections are fixed at their width.
    void setSections(const QList<int> &widths, int fixedCount);
    // Index-to-icon table of the node images.
    void setImages(const QList<QIcon> &images) { m_images = images; }

    TreeNode *nodeOf(QTreeWidgetItem *item) const { return m_nodes.value(item); }
    QTreeWidgetItem *itemOf(TreeNode *node) const { return m_items.value(node); }

    void treeCleared() override;
    void nodeAdded(TreeNode *node) override;
    void nodeChanged(TreeNode *node) override;
    void nodeSelected(TreeNode *node) override;

Q_SIGNALS:
    // The operator clicked a node; the model's selection is already updated.
    void nodeClicked(orvane::TreeNode *node);

private:
    void applyText(QTreeWidgetItem *item, TreeNode *node);

    NavigationTree *m_model = nullptr;
    QHash<TreeNode *, QTreeWidgetItem *> m_items;
    QHash<QTreeWidgetItem *, TreeNode *> m_nodes;
    QList<QIcon> m_images;
    bool m_syncing = false;
};

} // namespace orvane
