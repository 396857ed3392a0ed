#pragma once

#include <cstdint>

namespace brenvik {

// Sizes worked out from counts before anything is allocated, saturating
// instead of wrapping, so that a count too large for any machine is refused
// (see RoomFor in Memory.h) rather than begun.

// count × size.
std::uint64_t BytesFor(std::uint64_t count, std::uint64_t size);

// The memory of the isoline tables as their layout has them: an X and a Y
// entry of two bytes for every level and every slot of both tables.
std::uint64_t IsolineTableBytes(std::int64_t levels, std::int64_t pointMax, std::int64_t auxMax);

} // namespace brenvik
