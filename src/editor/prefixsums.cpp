#include "editor/prefixsums.h"

#include <algorithm>

namespace velmo::editor {

void PrefixSums::assign(std::vector<std::int64_t> values)
{
    m_values = std::move(values);
    rebuild();
}

void PrefixSums::rebuild()
{
    const std::size_t n = m_values.size();
    m_tree.assign(n + 1, 0);
    m_total = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        m_tree[i] += m_values[i - 1];
        m_total += m_values[i - 1];
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= n)
            m_tree[parent] += m_tree[i];
    }
    m_topBit = 1;
    while (m_topBit * 2 <= n)
        m_topBit *= 2;
}

void PrefixSums::set(std::size_t i, std::int64_t value)
{
    const std::int64_t delta = value - m_values[i];
    if (delta == 0)
        return;
    m_values[i] = value;
    m_total += delta;
    for (std::size_t k = i + 1; k < m_tree.size(); k += k & (~k + 1))
        m_tree[k] += delta;
}

std::int64_t PrefixSums::prefix(std::size_t n) const
{
    n = std::min(n, m_values.size());
    std::int64_t sum = 0;
    for (std::size_t k = n; k > 0; k -= k & (~k + 1))
        sum += m_tree[k];
    return sum;
}

std::size_t PrefixSums::find(std::int64_t offset) const
{
    const std::size_t n = m_values.size();
    if (n == 0)
        return 0;
    std::size_t pos = 0;
    std::int64_t rest = offset;
    for (std::size_t step = m_topBit; step > 0; step >>= 1) {
        if (pos + step <= n && m_tree[pos + step] <= rest) {
            pos += step;
            rest -= m_tree[pos];
        }
    }
    return std::min(pos, n - 1);
}

void PrefixSums::replace(std::size_t first, std::size_t count, const std::vector<std::int64_t> &values)
{
    if (count == values.size()) {
        for (std::size_t i = 0; i < count; ++i)
            set(first + i, values[i]);
        return;
    }
    m_values.erase(m_values.begin() + first, m_values.begin() + first + count);
    m_values.insert(m_values.begin() + first, values.begin(), values.end());
    rebuild();
}

} // namespace velmo::editor
