#include "platform/qt/qt_tree.h"

#include <QMouseEvent>

#include "platform/error.h"
#include "platform/reading_order.h"

namespace veltrana {

// The one node the program sorts is the class, whose children are the students.
KeyedTreeModel::KeyedTreeModel(QObject* parent)
    : QAbstractItemModel(parent), tree_(nameOrderLess) {}

void KeyedTreeModel::add(const std::string& relative, const std::string& key, std::string text) {
    auto place = tree_.claim(relative, key, text);
    const Announced& known = announced(place.parent);
    // Under a parent the views know, a first child is announced so that the parent shows it can
    // be opened; later ones wait for a view to open the parent, unless they land among the rows
    // the views know already.
    bool announce =
        isAnnounced(place.parent) && (known.opened || place.row < known.rows || known.rows == 0);
    if (announce) {
        beginInsertRows(indexOfNode(place.parent), place.row, place.row);
    }
    tree_.insert(place, std::move(text));
    announced_.emplace_back();
    if (announce) {
        ++announced(place.parent).rows;
        endInsertRows();
    }
}

void KeyedTreeModel::setSorted(const std::string& key) {
    // Sorting is set once, on a node without children yet, so a reset costs nothing.
    tree_.require(key);
    beginResetModel();
    tree_.setSorted(key);
    endResetModel();
}

void KeyedTreeModel::clear() {
    beginResetModel();
    tree_ = KeyedTree(nameOrderLess);
    announced_.assign(1, {});
    endResetModel();
}

QModelIndex KeyedTreeModel::indexOfNode(int node) const {
    if (node == KeyedTree::kNone) {
        return {};
    }
    return createIndex(tree_.node(node).row, 0, static_cast<quintptr>(node));
}

bool KeyedTreeModel::isAnnounced(int node) const {
    for (; node != KeyedTree::kNone; node = tree_.node(node).parent) {
        if (tree_.node(node).row >= announced(tree_.node(node).parent).rows) {
            return false;
        }
    }
    return true;
}

QModelIndex KeyedTreeModel::reveal(int node) {
    if (node == KeyedTree::kNone) {
        return {};
    }
    QModelIndex parent = reveal(tree_.node(node).parent);
    if (canFetchMore(parent)) {
        fetchMore(parent);
    }
    return indexOfNode(node);
}

int KeyedTreeModel::nodeOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<int>(index.internalId()) : KeyedTree::kNone;
}

QModelIndex KeyedTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const auto& children = tree_.childrenOf(nodeOf(parent));
    if (column != 0 || row < 0 || row >= rowCount(parent)) {
        return {};
    }
    return createIndex(row, 0, static_cast<quintptr>(children[static_cast<std::size_t>(row)]));
}

QModelIndex KeyedTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) {
        return {};
    }
    return indexOfNode(tree_.node(nodeOf(child)).parent);
}

int KeyedTreeModel::rowCount(const QModelIndex& parent) const {
    return parent.column() > 0 ? 0 : announced(nodeOf(parent)).rows;
}

int KeyedTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool KeyedTreeModel::hasChildren(const QModelIndex& parent) const {
    return parent.column() <= 0 && !tree_.childrenOf(nodeOf(parent)).empty();
}

bool KeyedTreeModel::canFetchMore(const QModelIndex& parent) const {
    int node = nodeOf(parent);
    return announced(node).rows < static_cast<int>(tree_.childrenOf(node).size());
}

void KeyedTreeModel::fetchMore(const QModelIndex& parent) {
    int node = nodeOf(parent);
    int all = static_cast<int>(tree_.childrenOf(node).size());
    Announced& known = announced(node);
    known.opened = true;
    if (known.rows < all) {
        beginInsertRows(parent, known.rows, all - 1);
        known.rows = all;
        endInsertRows();
    }
}

QVariant KeyedTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromStdString(tree_.node(nodeOf(index)).text);
    }
    if (role == Qt::DecorationRole && !icon_.isNull()) {
        return icon_;
    }
    return {};
}

QtTreeView::QtTreeView(QWidget* parent) : QTreeView(parent), model_(this) {
    setModel(&model_);
    setHeaderHidden(true);
    // Every row has the same height, so the view never measures rows it does not draw.
    setUniformRowHeights(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setIconSize(QSize(20, 20));
}

void QtTreeView::setNodePictures(const QPixmap& normal, const QPixmap& selected) {
    QIcon icon;
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(selected, QIcon::Selected);
    model_.setNodeIcon(icon);
}

void QtTreeView::Add(const std::string& relative, const std::string& key, std::string text) {
    model_.add(relative, key, std::move(text));
}

void QtTreeView::setSorted(const std::string& key) {
    model_.setSorted(key);
}

void QtTreeView::Clear() {
    model_.clear();
}

void QtTreeView::select(const std::string& key) {
    QModelIndex index = model_.reveal(model_.tree().require(key));
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) {
        expand(up);
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

// The mouse selects a node only while the left button is down on it, which makes a node click.
// So a right click does not move the highlight away from the node that Label3 and the selected
// path name, and the release of a Ctrl+click, which holds no button, does not take the
// selection away from it.
QItemSelectionModel::SelectionFlags QtTreeView::selectionCommand(const QModelIndex& index,
                                                                 const QEvent* event) const {
    const auto* mouse = dynamic_cast<const QMouseEvent*>(event);
    if (mouse != nullptr && !(mouse->buttons() & Qt::LeftButton)) {
        return QItemSelectionModel::NoUpdate;
    }
    return QTreeView::selectionCommand(index, event);
}

std::vector<std::string> QtTreeView::selectedNodeTexts() const {
    QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        throw Error(err::kObjectNotSet, "对象变量或 With 块变量未设置：树中没有选中的节点");
    }
    return model_.tree().pathTexts(model_.nodeOf(selected.front()));
}

}  // namespace veltrana
