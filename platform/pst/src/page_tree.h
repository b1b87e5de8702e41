// One of the file's two index B-trees (nodes or blocks) as it is held in
// memory: a node per 512-byte page, each remembering the page it was last
// written to. A change marks its page and the pages above it; a commit writes
// only those again, so its cost follows what changed since the last one, not
// the size of the file. Entries are kept in key order, packed by value.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace pst {

struct PageRef {
    uint64_t bid = 0;
    uint64_t ib = 0;
};

template <class Value>
class PageTree {
public:
    struct Item {
        uint64_t key;
        Value value;
    };

    // leafMax entries fit on a leaf page, branchMax on a branch page.
    PageTree(size_t leafMax, size_t branchMax) : leafMax_(leafMax), branchMax_(branchMax) { Clear(); }

    // Empties the tree; the pages it was written to are handed back by the
    // next commit.
    void Clear() {
        if (root_) Pages(*root_, [this](const PageRef& p) { retired_.push_back(p); });
        root_ = std::make_unique<Node>();
        size_ = 0;
    }
    size_t Size() const { return size_; }

    const Value* Find(uint64_t key) const {
        const Node* n = root_.get();
        while (n->level > 0) n = n->children[ChildFor(*n, key)].get();
        auto it = LowerBound(*n, key);
        return it != n->items.end() && it->key == key ? &it->value : nullptr;
    }

    // The value at key, to be changed: its page is written again at the
    // next commit. Null when the key is absent.
    Value* Change(uint64_t key) {
        Path path = Descend(key);
        Node& leaf = *path.back().node;
        auto it = LowerBound(leaf, key);
        if (it == leaf.items.end() || it->key != key) return nullptr;
        MarkDirty(path);
        return &it->value;
    }

    // Sets the value at key, adding the entry when it is absent.
    void Set(uint64_t key, const Value& value) {
        Path path = Descend(key);
        Node& leaf = *path.back().node;
        auto it = LowerBound(leaf, key);
        MarkDirty(path);
        if (it != leaf.items.end() && it->key == key) {
            it->value = value;
            return;
        }
        const bool atEnd = it == leaf.items.end();
        // A page holds at most one entry more than fits, until it splits:
        // growing by doubling would leave up to half of every page unused.
        if (leaf.items.size() == leaf.items.capacity()) {
            const size_t at = size_t(it - leaf.items.begin());
            leaf.items.reserve(std::max(leafMax_ + 1, leaf.items.size() + 1));
            it = leaf.items.begin() + std::ptrdiff_t(at);
        }
        leaf.items.insert(it, Item{key, value});
        ++size_;
        UpdateFirstKeys(path);
        if (leaf.items.size() > leafMax_) Split(path, atEnd);
    }

    // False when the key is absent.
    bool Erase(uint64_t key) {
        Path path = Descend(key);
        Node& leaf = *path.back().node;
        auto it = LowerBound(leaf, key);
        if (it == leaf.items.end() || it->key != key) return false;
        MarkDirty(path);
        leaf.items.erase(it);
        --size_;
        RemoveEmpty(path);
        return true;
    }

    // Calls visit(key, value) in key order until it returns false.
    void ForEach(const std::function<bool(uint64_t, const Value&)>& visit) const { Walk(*root_, visit); }

    // Builds the tree anew from items in strictly increasing key order: every
    // page is new and is written at the next commit.
    void Assign(const std::vector<Item>& items) {
        Clear();
        std::vector<std::unique_ptr<Node>> level;
        for (size_t at = 0; at < items.size(); at += leafMax_) {
            auto leaf = std::make_unique<Node>();
            leaf->items.assign(items.begin() + at, items.begin() + std::min(items.size(), at + leafMax_));
            level.push_back(std::move(leaf));
        }
        size_ = items.size();
        if (level.empty()) return;
        for (uint8_t depth = 1; level.size() > 1; ++depth) {
            std::vector<std::unique_ptr<Node>> upper;
            for (size_t at = 0; at < level.size(); at += branchMax_) {
                auto branch = std::make_unique<Node>();
                branch->level = depth;
                for (size_t i = at; i < std::min(level.size(), at + branchMax_); ++i) {
                    branch->keys.push_back(FirstKey(*level[i]));
                    branch->children.push_back(std::move(level[i]));
                }
                upper.push_back(std::move(branch));
            }
            level = std::move(upper);
        }
        root_ = std::move(level[0]);
    }

    // Loading a tree as it lies in a file: pages are added top down, each
    // with the page it was read from; they count as written.
    struct Loader {
        PageTree& tree;
        // The root page; level is read from the page.
        void* Root(uint8_t level, const PageRef& page) {
            tree.Clear();
            tree.root_->level = level;
            tree.root_->dirty = false;
            tree.root_->written = true;
            tree.root_->page = page;
            return tree.root_.get();
        }
        void* Child(void* parent, uint64_t key, uint8_t level, const PageRef& page) {
            Node* p = static_cast<Node*>(parent);
            auto child = std::make_unique<Node>();
            child->level = level;
            child->dirty = false;
            child->written = true;
            child->page = page;
            p->keys.push_back(key);
            p->children.push_back(std::move(child));
            return p->children.back().get();
        }
        void Add(void* leaf, uint64_t key, const Value& value) {
            static_cast<Node*>(leaf)->items.push_back(Item{key, value});
            ++tree.size_;
        }
    };
    // True when the loaded pages form a tree this class can change in place:
    // keys strictly increasing from page to page, each branch key at most its
    // page's first key and above the keys before it, no page empty but an
    // empty tree's root, every branch's children one level below it. A
    // file whose tree is otherwise (another writer's, or damaged) is given a
    // new one with Assign.
    bool WellFormed() const {
        bool first = true;
        uint64_t last = 0;
        return Check(*root_, true, &first, &last);
    }

    // Pages in the tree as last written, for what the file must keep.
    void ForEachPage(const std::function<void(const PageRef&)>& visit) const { Pages(*root_, visit); }

    // Writes the changed pages, children before their parent, through
    // write(entries, count, entrySize, level), which returns where the page
    // went; putLeaf(at, key, value) lays out one leaf entry of leafSize
    // bytes. The pages they replace are added to *replaced. Returns the root.
    using PageWriter = std::function<PageRef(const uint8_t* entries, size_t count, size_t entrySize, uint8_t level)>;
    using LeafPutter = std::function<void(uint8_t* at, uint64_t key, const Value& value)>;
    PageRef Commit(const PageWriter& write, const LeafPutter& putLeaf, size_t leafSize, size_t branchSize,
                   const std::function<void(uint8_t* at, uint64_t key, const PageRef& child)>& putBranch,
                   std::vector<PageRef>* replaced) {
        WriteNode(*root_, write, putLeaf, leafSize, branchSize, putBranch, replaced);
        replaced->insert(replaced->end(), retired_.begin(), retired_.end());
        retired_.clear();
        return root_->page;
    }

private:
    struct Node {
        uint8_t level = 0;
        bool dirty = true;
        bool written = false;  // page holds where it lies in the file
        PageRef page;
        std::vector<Item> items;                     // a leaf's entries
        std::vector<uint64_t> keys;                  // a branch's: first key of each child
        std::vector<std::unique_ptr<Node>> children;
    };
    struct Step {
        Node* node;
        size_t child;  // index of the next step in node's children
    };
    using Path = std::vector<Step>;

    static size_t ChildFor(const Node& n, uint64_t key) {
        auto it = std::upper_bound(n.keys.begin(), n.keys.end(), key);
        return it == n.keys.begin() ? 0 : size_t(it - n.keys.begin() - 1);
    }
    static typename std::vector<Item>::iterator LowerBound(Node& n, uint64_t key) {
        return std::lower_bound(n.items.begin(), n.items.end(), key, [](const Item& i, uint64_t k) { return i.key < k; });
    }
    static typename std::vector<Item>::const_iterator LowerBound(const Node& n, uint64_t key) {
        return std::lower_bound(n.items.begin(), n.items.end(), key, [](const Item& i, uint64_t k) { return i.key < k; });
    }
    static uint64_t FirstKey(const Node& n) {
        if (n.level > 0) return n.keys.empty() ? 0 : n.keys.front();
        return n.items.empty() ? 0 : n.items.front().key;
    }

    Path Descend(uint64_t key) {
        Path path;
        path.reserve(8);  // a tree of a million items is five levels deep: one allocation
        Node* n = root_.get();
        while (n->level > 0) {
            const size_t c = ChildFor(*n, key);
            path.push_back({n, c});
            n = n->children[c].get();
        }
        path.push_back({n, 0});
        return path;
    }
    static void MarkDirty(const Path& path) {
        for (const Step& s : path) s.node->dirty = true;
    }
    // After the first entry of the path's leaf changed.
    static void UpdateFirstKeys(const Path& path) {
        for (size_t i = path.size() - 1; i > 0; --i) {
            const Step& up = path[i - 1];
            const uint64_t first = FirstKey(*path[i].node);
            if (up.node->keys[up.child] == first) return;
            up.node->keys[up.child] = first;
        }
    }

    // The path's leaf holds one entry too many. An entry added at the end
    // (keys given out in increasing order) starts a new page of its own, so
    // that pages fill up; any other split halves the page.
    void Split(Path& path, bool appended) {
        for (size_t i = path.size(); i-- > 0;) {
            Node& n = *path[i].node;
            const size_t max = n.level > 0 ? branchMax_ : leafMax_;
            const size_t count = n.level > 0 ? n.children.size() : n.items.size();
            if (count <= max) return;
            const size_t keep = appended ? count - 1 : count / 2;
            auto right = std::make_unique<Node>();
            right->level = n.level;
            if (n.level > 0) {
                right->keys.assign(n.keys.begin() + keep, n.keys.end());
                n.keys.resize(keep);
                for (size_t c = keep; c < count; ++c) right->children.push_back(std::move(n.children[c]));
                n.children.resize(keep);
            } else {
                right->items.assign(n.items.begin() + keep, n.items.end());
                n.items.resize(keep);
            }
            const uint64_t rightKey = FirstKey(*right);
            if (i == 0) {
                auto top = std::make_unique<Node>();
                top->level = uint8_t(n.level + 1);
                top->keys = {FirstKey(n), rightKey};
                top->children.push_back(std::move(root_));
                top->children.push_back(std::move(right));
                root_ = std::move(top);
                return;
            }
            Step& up = path[i - 1];
            up.node->keys.insert(up.node->keys.begin() + up.child + 1, rightKey);
            up.node->children.insert(up.node->children.begin() + up.child + 1, std::move(right));
        }
    }

    // Drops pages the path left empty (never the root) and keeps the first
    // keys above in step; a root branch with one child gives way to it.
    void RemoveEmpty(Path& path) {
        for (size_t i = path.size() - 1; i > 0; --i) {
            Node& n = *path[i].node;
            const bool empty = n.level > 0 ? n.children.empty() : n.items.empty();
            Step& up = path[i - 1];
            if (empty) {
                RetirePage(n);
                up.node->keys.erase(up.node->keys.begin() + up.child);
                up.node->children.erase(up.node->children.begin() + up.child);
            } else {
                up.node->keys[up.child] = FirstKey(n);
            }
        }
        while (root_->level > 0 && root_->children.size() == 1) {
            RetirePage(*root_);
            std::unique_ptr<Node> child = std::move(root_->children[0]);
            root_ = std::move(child);
        }
        if (root_->level > 0 && root_->children.empty()) {
            RetirePage(*root_);
            root_ = std::make_unique<Node>();
        }
    }
    // A page that leaves the tree: the next commit hands it back.
    void RetirePage(const Node& n) {
        if (n.written) retired_.push_back(n.page);
    }

    bool Check(const Node& n, bool isRoot, bool* first, uint64_t* last) const {
        if (n.level == 0) {
            if (n.items.empty()) return isRoot;
            for (const Item& i : n.items) {
                if (!*first && i.key <= *last) return false;
                *first = false;
                *last = i.key;
            }
            return true;
        }
        if (n.children.empty()) return false;
        for (size_t c = 0; c < n.children.size(); ++c) {
            const Node& child = *n.children[c];
            if (child.level + 1 != n.level) return false;
            if (!*first && n.keys[c] <= *last) return false;
            if (!Check(child, false, first, last)) return false;
            if (n.keys[c] > FirstKey(child)) return false;
        }
        return true;
    }

    static bool Walk(const Node& n, const std::function<bool(uint64_t, const Value&)>& visit) {
        if (n.level == 0) {
            for (const Item& i : n.items)
                if (!visit(i.key, i.value)) return false;
            return true;
        }
        for (const auto& c : n.children)
            if (!Walk(*c, visit)) return false;
        return true;
    }

    static void Pages(const Node& n, const std::function<void(const PageRef&)>& visit) {
        if (n.written) visit(n.page);
        for (const auto& c : n.children) Pages(*c, visit);
    }

    void WriteNode(Node& n, const PageWriter& write, const LeafPutter& putLeaf, size_t leafSize, size_t branchSize,
                   const std::function<void(uint8_t*, uint64_t, const PageRef&)>& putBranch,
                   std::vector<PageRef>* replaced) {
        if (!n.dirty) return;
        uint8_t entries[512] = {};
        size_t count = 0;
        if (n.level == 0) {
            for (const Item& i : n.items) putLeaf(entries + leafSize * count++, i.key, i.value);
        } else {
            for (size_t c = 0; c < n.children.size(); ++c) {
                Node& child = *n.children[c];
                WriteNode(child, write, putLeaf, leafSize, branchSize, putBranch, replaced);
                n.keys[c] = FirstKey(child);
                putBranch(entries + branchSize * count++, n.keys[c], child.page);
            }
        }
        if (n.written) replaced->push_back(n.page);
        n.page = write(entries, count, n.level == 0 ? leafSize : branchSize, n.level);
        n.written = true;
        n.dirty = false;
    }

    size_t leafMax_, branchMax_;
    std::unique_ptr<Node> root_;
    size_t size_ = 0;
    std::vector<PageRef> retired_;  // pages that left the tree since the last commit
};

}  // namespace pst
