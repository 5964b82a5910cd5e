#pragma once

#include <QByteArray>

#include <memory>
#include <vector>

namespace orvane {

// One node of the navigation tree. Its text holds the columns joined by "|".
class TreeNode
{
public:
    const QByteArray &text() const { return m_text; }
    int imageIndex() const { return m_imageIndex; }
    int selectedIndex() const { return m_selectedIndex; }
    TreeNode *parent() const { return m_parent; }
    const std::vector<std::unique_ptr<TreeNode>> &children() const { return m_children; }
    TreeNode *firstChild() const;
    TreeNode *lastChild() const;
    int indexInParent() const;

private:
    friend class NavigationTree;
    QByteArray m_text;
    int m_imageIndex = 0;
    int m_selectedIndex = 0;
    TreeNode *m_parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> m_children;
};

// Told about every change of the tree; the window mirrors the tree into its
// widget this way. All calls come from the thread that owns the tree.
class TreeObserver
{
public:
    virtual ~TreeObserver() = default;
    virtual void treeCleared() = 0;
    virtual void nodeAdded(TreeNode *node) = 0;
    virtual void nodeChanged(TreeNode *node) = 0;
    virtual void nodeSelected(TreeNode *node) = 0;
};

// The navigation tree's nodes: the system, the interface, the modules and
// their signals. The acquisition and the module objects write it; a widget
// shows it. Node pointers stay valid until the node is removed by clear().
class NavigationTree
{
public:
    NavigationTree() = default;
    NavigationTree(const NavigationTree &) = delete;
    NavigationTree &operator=(const NavigationTree &) = delete;

    void setObserver(TreeObserver *observer) { m_observer = observer; }

    // Column separator of the node texts.
    static constexpr char Separator = '|';

    void clear();
    TreeNode *addRoot(const QByteArray &text, int image);
    TreeNode *addChild(TreeNode *parent, const QByteArray &text, int image);
    void setText(TreeNode *node, const QByteArray &text);
    void setImageIndex(TreeNode *node, int image);

    // Selecting a node also makes its ancestors expanded in the view.
    void select(TreeNode *node);
    TreeNode *selected() const { return m_selected; }

    bool isEmpty() const { return m_roots.empty(); }
    int count() const { return m_count; }
    TreeNode *firstNode() const;
    // The node after `node` in depth-first order, or null at the end.
    TreeNode *nextNode(const TreeNode *node) const;
    const std::vector<std::unique_ptr<TreeNode>> &roots() const { return m_roots; }

private:
    TreeNode *addNode(TreeNode *parent, const QByteArray &text, int image);

    std::vector<std::unique_ptr<TreeNode>> m_roots;
    TreeNode *m_selected = nullptr;
    TreeObserver *m_observer = nullptr;
    int m_count = 0;
};

} // namespace orvane
