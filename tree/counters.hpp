#pragma once
// Node counts of the search, read by the benchmark.

#include <cstdint>

namespace quoll {

struct NodeCounters {
    std::uint64_t tree = 0;     // calls of pvSearch and nonPvSearch
    std::uint64_t horizon = 0;  // calls of horizonSearch
    std::uint64_t vcf = 0;      // calls of vcfAttack and vcfDefend
};
extern NodeCounters nodeCounters;

}  // namespace quoll
