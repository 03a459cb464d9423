#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QTreeView>

#include "platform/controls.h"
#include "platform/keyed_tree.h"

namespace veltrana {

// Shows a KeyedTree to Qt's views. Nothing is created per node: the view asks for the rows it
// draws, so half a million nodes cost no more than their entries in the tree.
class KeyedTreeModel : public QAbstractItemModel {
public:
    explicit KeyedTreeModel(QObject* parent = nullptr);

    const KeyedTree& tree() const { return tree_; }
    void add(const std::string& relative, const std::string& key, const std::string& text);
    void setSorted(const std::string& key);
    QModelIndex indexOfNode(int node) const;
    int nodeOf(const QModelIndex& index) const;
    // One icon per node: its normal picture "K1", its selected picture "K2".
    void setNodeIcon(const QIcon& icon) { icon_ = icon; }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    KeyedTree tree_;
    QIcon icon_;
};

// TreeView1: a tree view over the keyed model. A mouse click on a node is the node click; the
// view has already selected that node when its clicked() signal arrives.
class QtTreeView : public QTreeView, public TreeView {
public:
    explicit QtTreeView(QWidget* parent = nullptr);

    void setNodePictures(const QPixmap& normal, const QPixmap& selected);
    const KeyedTreeModel& keyedModel() const { return model_; }

    void Add(const std::string& relative, const std::string& key, const std::string& text) override;
    void setSorted(const std::string& key) override;
    void select(const std::string& key) override;
    std::vector<std::string> selectedNodeTexts() const override;

private:
    KeyedTreeModel model_;
};

}  // namespace veltrana
