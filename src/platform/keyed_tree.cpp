#include "platform/keyed_tree.h"

#include <algorithm>

#include "platform/error.h"

namespace veltrana {

KeyedTree::KeyedTree(TextLess less) : less_(std::move(less)) {}

KeyedTree::Place KeyedTree::claim(const std::string& relative, const std::string& key,
                                  const std::string& text) {
    int parent = kNone;
    if (!relative.empty()) {
        if (relative != lastRelative_ || lastParent_ == kNone) {
            lastParent_ = require(relative);
            lastRelative_ = relative;
        }
        parent = lastParent_;
    }
    const auto& siblings = childrenOf(parent);
    auto place = siblings.end();
    if (parent != kNone && node(parent).sorted) {
        // Equal texts keep the order in which they were added.
        place = std::upper_bound(
            siblings.begin(), siblings.end(), text,
            [this](const std::string& t, int i) { return less_(t, node(i).text); });
    }
    auto [entry, claimed] = byKey_.try_emplace(key, size());
    if (!claimed) {
        throw Error(err::kKeyNotUnique, "键不唯一：树中已有键为“" + key + "”的节点");
    }
    return {parent, static_cast<int>(place - siblings.begin()), entry->first};
}

int KeyedTree::insert(const Place& place, std::string text) {
    auto [parent, row, key] = place;
    int index = size();
    nodes_.push_back(Node{key, std::move(text), parent, row, false, {}});
    auto& siblings =
        parent == kNone ? topLevel_ : nodes_[static_cast<std::size_t>(parent)].children;
    auto added = siblings.insert(siblings.begin() + row, index);
    for (auto it = added + 1; it != siblings.end(); ++it) {
        ++nodes_[static_cast<std::size_t>(*it)].row;
    }
    return index;
}

void KeyedTree::setSorted(const std::string& key) {
    Node& n = nodes_[static_cast<std::size_t>(require(key))];
    n.sorted = true;
    std::stable_sort(n.children.begin(), n.children.end(),
                     [this](int a, int b) { return less_(node(a).text, node(b).text); });
    for (std::size_t row = 0; row < n.children.size(); ++row) {
        nodes_[static_cast<std::size_t>(n.children[row])].row = static_cast<int>(row);
    }
}

int KeyedTree::find(const std::string& key) const {
    auto it = byKey_.find(key);
    return it == byKey_.end() ? kNone : it->second;
}

int KeyedTree::require(const std::string& key) const {
    int index = find(key);
    if (index == kNone) {
        throw Error(err::kElementNotFound, "找不到元素：树中没有键为“" + key + "”的节点");
    }
    return index;
}

const std::vector<int>& KeyedTree::childrenOf(int parent) const {
    return parent == kNone ? topLevel_ : node(parent).children;
}

std::vector<std::string> KeyedTree::pathTexts(int index) const {
    std::vector<std::string> texts;
    for (int i = index; i != kNone; i = node(i).parent) {
        texts.push_back(node(i).text);
    }
    std::reverse(texts.begin(), texts.end());
    return texts;
}

}  // namespace veltrana
