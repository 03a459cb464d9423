#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QTreeView>

#include "platform/controls.h"
#include "platform/keyed_tree.h"

namespace veltrana {

// Shows a KeyedTree to Qt's views. Nothing is created per node, and the children of a node are
// announced to the views only once a view opens that node (fetchMore): until then a view knows
// just that the node has children. So the start-up adds half a million nodes to a closed tree
// at the cost of their entries in the tree alone.
class KeyedTreeModel : public QAbstractItemModel {
public:
    explicit KeyedTreeModel(QObject* parent = nullptr);

    const KeyedTree& tree() const { return tree_; }
    void add(const std::string& relative, const std::string& key, std::string text);
    void setSorted(const std::string& key);
    void clear();
    // The index of a node, announcing first the rows that lead to it.
    QModelIndex reveal(int node);
    int nodeOf(const QModelIndex& index) const;
    // One icon per node: its normal picture "K1", its selected picture "K2".
    void setNodeIcon(const QIcon& icon) { icon_ = icon; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // What the views know of a node's children: the first `rows` of them, and whether a view
    // has opened the node, after which every new child is announced at once.
    struct Announced {
        int rows = 0;
        bool opened = false;
    };
    // Entry 0 is the top level, entry i + 1 node i.
    Announced& announced(int parent) { return announced_[static_cast<std::size_t>(parent + 1)]; }
    const Announced& announced(int parent) const {
        return announced_[static_cast<std::size_t>(parent + 1)];
    }
    // True when the views know the node: it and every node above it lie within the rows
    // announced for their parents.
    bool isAnnounced(int node) const;
    QModelIndex indexOfNode(int node) const;

    KeyedTree tree_;
    std::vector<Announced> announced_{1};
    QIcon icon_;
};

// TreeView1: a tree view over the keyed model. A mouse click on a node is the node click; the
// view has already selected that node when its clicked() signal arrives.
class QtTreeView : public QTreeView, public TreeView {
public:
    explicit QtTreeView(QWidget* parent = nullptr);

    void setNodePictures(const QPixmap& normal, const QPixmap& selected);
    KeyedTreeModel& keyedModel() { return model_; }

    void Add(const std::string& relative, const std::string& key, std::string text) override;
    void setSorted(const std::string& key) override;
    void select(const std::string& key) override;
    std::vector<std::string> selectedNodeTexts() const override;
    void Clear() override;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex& index, const QEvent* event = nullptr) const override;

private:
    KeyedTreeModel model_;
};

}  // namespace veltrana
