#include "board/geometry_tables.hpp"

namespace quoll::detail {

constinit const GeometryTables kGeometry = makeGeometryTables();

constexpr bool allWindowWeightsOne(const GeometryTables& tables) {
    for (const std::int16_t weight : tables.windowWeight)
        if (weight != 1) return false;
    return true;
}
static_assert(allWindowWeightsOne(makeGeometryTables()) == kUnitWindowWeights);

}  // namespace quoll::detail
