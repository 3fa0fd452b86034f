#include "board/geometry_tables.hpp"

namespace quoll::detail {

constinit const GeometryTables kGeometry = makeGeometryTables();

}  // namespace quoll::detail
