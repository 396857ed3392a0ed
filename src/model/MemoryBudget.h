#pragma once

#include <cstdint>

namespace brenvik {

// How much a result may need before it is refused with "Input data error":
// sizes are worked out from the counts before anything is allocated, and a
// table larger than the machine's memory is never begun (it could only end in
// swapping or in the system killing the program).

// The machine's physical memory in bytes (a large value when it cannot be told).
std::uint64_t MachineMemory();

// count × size, saturating instead of wrapping.
std::uint64_t BytesFor(std::uint64_t count, std::uint64_t size);

// True when `bytes` fits within `limit` (0: the machine's memory).
bool FitsInMemory(std::uint64_t bytes, std::uint64_t limit = 0);

// The memory of the isoline tables as their layout has them: an X and a Y
// entry of two bytes for every level and every slot of both tables.
std::uint64_t IsolineTableBytes(std::int64_t levels, std::int64_t pointMax, std::int64_t auxMax);

} // namespace brenvik
