// Contenders measured in alternating rounds: each round runs every contender once, the
// order reversed every other round, so that the drift of a shared machine falls on all of
// them alike and a ratio of medians compares like with like.
#pragma once

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace velmo::bench {

// One measurement in seconds; a negative value means it could not measure (the contender
// has printed why).
struct Contender {
    std::string name;
    std::function<double()> once;
};

class Rounds {
public:
    // Runs `rounds` rounds; false (after saying which) when any measurement failed.
    bool run(const std::vector<Contender> &contenders, int rounds)
    {
        for (int round = 0; round < rounds; ++round) {
            std::vector<const Contender *> order;
            for (const Contender &c : contenders)
                order.push_back(&c);
            if (round % 2)
                std::reverse(order.begin(), order.end());
            for (const Contender *c : order) {
                const double seconds = c->once();
                if (seconds < 0) {
                    std::fprintf(stderr, "could not measure: %s\n", c->name.c_str());
                    return false;
                }
                m_samples[c->name].push_back(seconds);
            }
        }
        return true;
    }

    // A further sample taken along with a contender's own (a second moment of one run).
    void add(const std::string &name, double seconds) { m_samples[name].push_back(seconds); }

    double median(const std::string &name) const
    {
        const auto found = m_samples.find(name);
        if (found == m_samples.end() || found->second.empty())
            return -1;
        std::vector<double> s = found->second;
        std::sort(s.begin(), s.end());
        return s.size() % 2 ? s[s.size() / 2] : (s[s.size() / 2 - 1] + s[s.size() / 2]) / 2;
    }

    // "label: ours 12.3 ms, peer 4.5 ms, ratio 2.73 (median of n)"
    void printRatio(const std::string &label, const std::string &ours, const std::string &peer) const
    {
        const double a = median(ours), b = median(peer);
        std::printf("%-52s %10.2f ms %10.2f ms   ratio %6.2f   (median of %zu)\n", label.c_str(), a * 1000,
                    b * 1000, b > 0 ? a / b : 0.0, m_samples.at(ours).size());
    }

private:
    std::map<std::string, std::vector<double>> m_samples;
};

} // namespace velmo::bench
