// A list of non-negative counts with O(log n) prefix sums, O(log n) "which element holds
// this offset", and O(log n) insertion and removal of elements (an implicit treap: a
// binary tree ordered by position, each node holding the sum and size of its subtree).
// Paragraphs come and go with every Enter and Backspace, so the list must not be rebuilt
// when its length changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmo::editor {

class PrefixSums {
public:
    PrefixSums();
    void assign(const std::vector<std::int64_t> &values);
    std::size_t size() const { return m_root < 0 ? 0 : std::size_t(m_size[std::size_t(m_root)]); }
    std::int64_t value(std::size_t i) const;
    // All counts in order, O(n).
    std::vector<std::int64_t> values() const;
    void set(std::size_t i, std::int64_t value);
    // Sum of the first n counts.
    std::int64_t prefix(std::size_t n) const;
    std::int64_t total() const { return m_root < 0 ? 0 : m_sum[std::size_t(m_root)]; }
    // The element that holds offset: the largest i with prefix(i) <= offset, clamped to the
    // last element. Elements of count 0 are skipped over, never returned unless last.
    std::size_t find(std::int64_t offset) const;
    // Replaces count elements starting at first by the given values: O(k + log n) for k
    // values inserted.
    void replace(std::size_t first, std::size_t count, const std::vector<std::int64_t> &values);
    void insert(std::size_t at, const std::vector<std::int64_t> &values) { replace(at, 0, values); }
    void erase(std::size_t first, std::size_t count) { replace(first, count, {}); }

private:
    int newNode(std::int64_t value);
    void freeTree(int node);
    void update(int node);
    void setDeep(std::size_t i, std::int64_t value);
    // Splits the tree at into its first n elements and the rest.
    void split(int tree, std::size_t n, int &left, int &right);
    int merge(int left, int right);
    // A tree of the values in order, balanced, heap-ordered by priority.
    int build(const std::vector<std::int64_t> &values, std::size_t from, std::size_t to);
    // Links nodes from..to-1, already holding their values, into a balanced tree.
    int link(std::size_t from, std::size_t to);
    std::uint32_t nextPriority();

    // Nodes in parallel arrays; freed nodes are reused.
    std::vector<int> m_left, m_right, m_size;
    std::vector<std::uint32_t> m_priority;
    std::vector<std::int64_t> m_value, m_sum;
    std::vector<int> m_free;
    int m_root = -1;
    std::uint32_t m_seed = 0x9E3779B9u;
};

} // namespace velmo::editor
