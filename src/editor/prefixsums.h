// A list of non-negative counts with O(log n) prefix sums and O(log n) "which element holds
// this offset" (a Fenwick tree). Changing one count is O(log n); inserting or removing
// elements rebuilds the tree in O(n), which only happens when paragraphs come or go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmo::editor {

class PrefixSums {
public:
    void assign(std::vector<std::int64_t> values);
    std::size_t size() const { return m_values.size(); }
    std::int64_t value(std::size_t i) const { return m_values[i]; }
    void set(std::size_t i, std::int64_t value);
    // Sum of the first n counts.
    std::int64_t prefix(std::size_t n) const;
    std::int64_t total() const { return m_total; }
    // The element that holds offset: the largest i with prefix(i) <= offset, clamped to the
    // last element. Elements of count 0 are skipped over, never returned unless last.
    std::size_t find(std::int64_t offset) const;
    // Replaces count elements starting at first by the given values.
    void replace(std::size_t first, std::size_t count, const std::vector<std::int64_t> &values);

private:
    void rebuild();

    std::vector<std::int64_t> m_values;
    std::vector<std::int64_t> m_tree; // 1-based Fenwick tree over m_values
    std::int64_t m_total = 0;
    std::size_t m_topBit = 0;
};

} // namespace velmo::editor
