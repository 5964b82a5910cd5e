#include "NavigationTree.h"

namespace orvane {

TreeNode *TreeNode::firstChild() const
{
    return m_children.empty() ? nullptr : m_children.front().get();
}

TreeNode *TreeNode::lastChild() const
{
    return m_children.empty() ? nullptr : m_children.back().get();
}

int TreeNode::indexInParent() const
{
    if (!m_parent)
        return -1;
    const auto &siblings = m_parent->m_children;
    for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == this)
            return int(i);
    }
    return -1;
}

void NavigationTree::clear()
{
    m_selected = nullptr;
    m_roots.clear();
    m_count = 0;
    if (m_observer)
        m_observer->treeCleared();
}

TreeNode *NavigationTree::addNode(TreeNode *parent, const QByteArray &text, int image)
{
    auto node = std::make_unique<TreeNode>();
    node->m_text = text;
    node->m_imageIndex = image;
    node->m_selectedIndex = image;
    node->m_parent = parent;
    TreeNode *raw = node.get();
    if (parent)
        parent->m_children.push_back(std::move(node));
    else
        m_roots.push_back(std::move(node));
    ++m_count;
    if (m_observer)
        m_observer->nodeAdded(raw);
    return raw;
}

TreeNode *NavigationTree::addRoot(const QByteArray &text, int image)
{
    return addNode(nullptr, text, image);
}

TreeNode *NavigationTree::addChild(TreeNode *parent, const QByteArray &text, int image)
{
    if (!parent)
        return nullptr;
    return addNode(parent, text, image);
}

void NavigationTree::setText(TreeNode *node, const QByteArray &text)
{
    if (!node || node->m_text == text)
        return;
    node->m_text = text;
    if (m_observer)
        m_observer->nodeChanged(node);
}

void NavigationTree::setImageIndex(TreeNode *node, int image)
{
    if (!node || (node->m_imageIndex == image && node->m_selectedIndex == image))
        return;
    node->m_imageIndex = image;
    node->m_selectedIndex = image;
    if (m_observer)
        m_observer->nodeChanged(node);
}

void NavigationTree::select(TreeNode *node)
{
    m_selected = node;
    if (m_observer)
        m_observer->nodeSelected(node);
}

TreeNode *NavigationTree::firstNode() const
{
    return m_roots.empty() ? nullptr : m_roots.front().get();
}

TreeNode *NavigationTree::nextNode(const TreeNode *node) const
{
    if (!node)
        return nullptr;
    if (!node->m_children.empty())
        return node->m_children.front().get();
    // Climb until a node with a next sibling is found.
    const TreeNode *cur = node;
    while (cur) {
        const auto &siblings = cur->m_parent ? cur->m_parent->m_children : m_roots;
        for (size_t i = 0; i + 1 < siblings.size(); ++i) {
            if (siblings[i].get() == cur)
                return siblings[i + 1].get();
        }
        cur = cur->m_parent;
    }
    return nullptr;
}

} // namespace orvane
