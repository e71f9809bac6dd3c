#include "editor/prefixsums.h"

#include <algorithm>
#include <array>

namespace velmo::editor {

// Invariants: a node's size and sum are those of its subtree; a parent's priority is at
// least its children's (so the tree's depth is logarithmic in expectation).

PrefixSums::PrefixSums() = default;

std::uint32_t PrefixSums::nextPriority()
{
    // xorshift: cheap, and the same tree for the same edits in every run.
    m_seed ^= m_seed << 13;
    m_seed ^= m_seed >> 17;
    m_seed ^= m_seed << 5;
    return m_seed;
}

int PrefixSums::newNode(std::int64_t value)
{
    int node;
    if (!m_free.empty()) {
        node = m_free.back();
        m_free.pop_back();
    } else {
        node = int(m_value.size());
        m_left.push_back(-1);
        m_right.push_back(-1);
        m_size.push_back(1);
        m_priority.push_back(0);
        m_value.push_back(0);
        m_sum.push_back(0);
    }
    const auto k = std::size_t(node);
    m_left[k] = m_right[k] = -1;
    m_size[k] = 1;
    m_priority[k] = nextPriority();
    m_value[k] = m_sum[k] = value;
    return node;
}

void PrefixSums::freeTree(int node)
{
    // Iterative: a degenerate subtree must not overflow the stack.
    std::vector<int> stack;
    if (node >= 0)
        stack.push_back(node);
    while (!stack.empty()) {
        const int n = stack.back();
        stack.pop_back();
        if (m_left[std::size_t(n)] >= 0)
            stack.push_back(m_left[std::size_t(n)]);
        if (m_right[std::size_t(n)] >= 0)
            stack.push_back(m_right[std::size_t(n)]);
        m_free.push_back(n);
    }
}

void PrefixSums::update(int node)
{
    const auto k = std::size_t(node);
    int size = 1;
    std::int64_t sum = m_value[k];
    if (const int l = m_left[k]; l >= 0) {
        size += m_size[std::size_t(l)];
        sum += m_sum[std::size_t(l)];
    }
    if (const int r = m_right[k]; r >= 0) {
        size += m_size[std::size_t(r)];
        sum += m_sum[std::size_t(r)];
    }
    m_size[k] = size;
    m_sum[k] = sum;
}

void PrefixSums::split(int tree, std::size_t n, int &left, int &right)
{
    if (tree < 0) {
        left = right = -1;
        return;
    }
    const auto k = std::size_t(tree);
    const std::size_t leftSize = m_left[k] < 0 ? 0 : std::size_t(m_size[std::size_t(m_left[k])]);
    if (n <= leftSize) {
        split(m_left[k], n, left, m_left[k]);
        update(tree);
        right = tree;
    } else {
        split(m_right[k], n - leftSize - 1, m_right[k], right);
        update(tree);
        left = tree;
    }
}

int PrefixSums::merge(int left, int right)
{
    if (left < 0)
        return right;
    if (right < 0)
        return left;
    if (m_priority[std::size_t(left)] >= m_priority[std::size_t(right)]) {
        m_right[std::size_t(left)] = merge(m_right[std::size_t(left)], right);
        update(left);
        return left;
    }
    m_left[std::size_t(right)] = merge(left, m_left[std::size_t(right)]);
    update(right);
    return right;
}

int PrefixSums::build(const std::vector<std::int64_t> &values, std::size_t from, std::size_t to)
{
    if (from >= to)
        return -1;
    const std::size_t mid = from + (to - from) / 2;
    const int node = newNode(values[mid]);
    const int l = build(values, from, mid);
    const int r = build(values, mid + 1, to);
    m_left[std::size_t(node)] = l;
    m_right[std::size_t(node)] = r;
    // Sift the priority down so that the balanced shape is also heap-ordered.
    for (int at = node;;) {
        const auto k = std::size_t(at);
        int top = at;
        for (int child : {m_left[k], m_right[k]})
            if (child >= 0 && m_priority[std::size_t(child)] > m_priority[std::size_t(top)])
                top = child;
        if (top == at)
            break;
        std::swap(m_priority[k], m_priority[std::size_t(top)]);
        at = top;
    }
    update(node);
    return node;
}

int PrefixSums::link(std::size_t from, std::size_t to)
{
    if (from >= to)
        return -1;
    const std::size_t mid = from + (to - from) / 2;
    m_left[mid] = link(from, mid);
    m_right[mid] = link(mid + 1, to);
    update(int(mid));
    return int(mid);
}

void PrefixSums::assign(const std::vector<std::int64_t> &values)
{
    // A whole document's paragraphs at once: node i holds values[i] in the balanced tree
    // over the positions. Level by level from the root, the nodes take what n random
    // priorities would be in falling order (evenly spaced quantiles), so every parent
    // outranks its children without sifting, and a node inserted later with a random
    // priority finds its place among them as among drawn ones.
    const std::size_t n = values.size();
    m_left.assign(n, -1);
    m_right.assign(n, -1);
    m_size.assign(n, 1);
    m_value = values;
    m_sum = values;
    m_priority.assign(n, 0);
    m_free.clear();
    m_root = link(0, n);
    if (m_root < 0)
        return;
    std::vector<int> levels;
    levels.reserve(n);
    levels.push_back(m_root);
    for (std::size_t k = 0; k < levels.size(); ++k) {
        const auto node = std::size_t(levels[k]);
        m_priority[node] = std::uint32_t((std::uint64_t(n - k) << 32) / (std::uint64_t(n) + 1));
        if (m_left[node] >= 0)
            levels.push_back(m_left[node]);
        if (m_right[node] >= 0)
            levels.push_back(m_right[node]);
    }
}

std::int64_t PrefixSums::value(std::size_t i) const
{
    int node = m_root;
    while (node >= 0) {
        const auto k = std::size_t(node);
        const std::size_t leftSize = m_left[k] < 0 ? 0 : std::size_t(m_size[std::size_t(m_left[k])]);
        if (i < leftSize) {
            node = m_left[k];
        } else if (i == leftSize) {
            return m_value[k];
        } else {
            i -= leftSize + 1;
            node = m_right[k];
        }
    }
    return 0;
}

std::vector<std::int64_t> PrefixSums::values() const
{
    std::vector<std::int64_t> out;
    out.reserve(size());
    std::vector<int> stack;
    int node = m_root;
    while (node >= 0 || !stack.empty()) {
        while (node >= 0) {
            stack.push_back(node);
            node = m_left[std::size_t(node)];
        }
        node = stack.back();
        stack.pop_back();
        out.push_back(m_value[std::size_t(node)]);
        node = m_right[std::size_t(node)];
    }
    return out;
}

void PrefixSums::set(std::size_t i, std::int64_t value)
{
    if (i >= size())
        return;
    // Walk down, then fix the sums on the way back (the path is short: a treap's depth stays
    // near 2 log n; a deeper one, never seen, would take the long way).
    const std::size_t index = i;
    std::array<int, 128> path;
    std::size_t depth = 0;
    int node = m_root;
    while (node >= 0) {
        if (depth == path.size()) {
            setDeep(index, value);
            return;
        }
        path[depth++] = node;
        const auto k = std::size_t(node);
        const std::size_t leftSize = m_left[k] < 0 ? 0 : std::size_t(m_size[std::size_t(m_left[k])]);
        if (i < leftSize) {
            node = m_left[k];
        } else if (i == leftSize) {
            m_value[k] = value;
            break;
        } else {
            i -= leftSize + 1;
            node = m_right[k];
        }
    }
    while (depth > 0)
        update(path[--depth]);
}

void PrefixSums::setDeep(std::size_t i, std::int64_t value)
{
    int left, middle, right;
    split(m_root, i, left, middle);
    int one;
    split(middle, 1, one, right);
    m_value[std::size_t(one)] = value;
    update(one);
    m_root = merge(merge(left, one), right);
}

std::int64_t PrefixSums::prefix(std::size_t n) const
{
    std::int64_t sum = 0;
    int node = m_root;
    while (node >= 0 && n > 0) {
        const auto k = std::size_t(node);
        const int l = m_left[k];
        const std::size_t leftSize = l < 0 ? 0 : std::size_t(m_size[std::size_t(l)]);
        if (n <= leftSize) {
            node = l;
        } else {
            sum += (l < 0 ? 0 : m_sum[std::size_t(l)]) + m_value[k];
            n -= leftSize + 1;
            node = m_right[k];
        }
    }
    return sum;
}

std::size_t PrefixSums::find(std::int64_t offset) const
{
    const std::size_t n = size();
    if (n == 0)
        return 0;
    // The first element whose running sum passes offset.
    std::size_t index = 0;
    std::int64_t rest = offset;
    int node = m_root;
    std::size_t found = n;
    while (node >= 0) {
        const auto k = std::size_t(node);
        const int l = m_left[k];
        const std::int64_t leftSum = l < 0 ? 0 : m_sum[std::size_t(l)];
        const std::size_t leftSize = l < 0 ? 0 : std::size_t(m_size[std::size_t(l)]);
        if (rest < leftSum) {
            node = l;
        } else if (rest < leftSum + m_value[k]) {
            found = index + leftSize;
            break;
        } else {
            rest -= leftSum + m_value[k];
            index += leftSize + 1;
            node = m_right[k];
        }
    }
    return std::min(found, n - 1);
}

void PrefixSums::replace(std::size_t first, std::size_t count, const std::vector<std::int64_t> &values)
{
    const std::size_t n = size();
    first = std::min(first, n);
    count = std::min(count, n - first);
    if (count == values.size()) {
        for (std::size_t i = 0; i < count; ++i)
            set(first + i, values[i]);
        return;
    }
    int left, middle, right;
    split(m_root, first, left, middle);
    int removed;
    split(middle, count, removed, right);
    freeTree(removed);
    const int inserted = build(values, 0, values.size());
    m_root = merge(merge(left, inserted), right);
}

} // namespace velmo::editor
