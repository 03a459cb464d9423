#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veltrana {

// The nodes of a tree control: unique text keys, display texts, children in insertion order or,
// under a sorted node, in the order of an injected comparison of texts. The Qt tree model shows
// it; tests use it behind their fake tree, so both follow the same rules for keys.
class KeyedTree {
public:
    using TextLess = std::function<bool(const std::string&, const std::string&)>;
    static constexpr int kNone = -1;

    struct Node {
        std::string_view key;  // held by the index by key
        std::string text;
        int parent = kNone;
        int row = 0;  // position among the parent's children (or among the top-level nodes)
        bool sorted = false;
        std::vector<int> children;
    };

    explicit KeyedTree(TextLess less = std::less<std::string>());

    // Where a new node goes: the parent's index (kNone for the top level), the row, and its
    // key, now taken. Fails as add does and then changes nothing, so a view can announce the
    // row before the node exists; insert must follow.
    struct Place {
        int parent;
        int row;
        std::string_view key;
    };
    Place claim(const std::string& relative, const std::string& key, const std::string& text);
    // Adds the node that claim placed just before; returns its index.
    int insert(const Place& place, std::string text);
    // Adds a node and returns its index; see TreeView::Add for the rules and failures.
    int add(const std::string& relative, const std::string& key, std::string text) {
        return insert(claim(relative, key, text), std::move(text));
    }
    void setSorted(const std::string& key);
    // Index of the node keyed key, kNone when there is none.
    int find(const std::string& key) const;
    // Like find, but fails with 35601 when there is none.
    int require(const std::string& key) const;

    const Node& node(int index) const { return nodes_[static_cast<std::size_t>(index)]; }
    const std::vector<int>& topLevel() const { return topLevel_; }
    const std::vector<int>& childrenOf(int parent) const;
    int size() const { return static_cast<int>(nodes_.size()); }
    // Texts from the top-level ancestor down to the node.
    std::vector<std::string> pathTexts(int index) const;

private:
    TextLess less_;
    std::deque<Node> nodes_;
    std::vector<int> topLevel_;
    // Owns the keys; its entries never move, so nodes view their keys here. One look-up per
    // added node: half a million of them make the start-up.
    std::unordered_map<std::string, int> byKey_;
    // A build adds the children of one node in a row; their relative is found once.
    std::string lastRelative_;
    int lastParent_ = kNone;
};

}  // namespace veltrana
