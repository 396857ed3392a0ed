#include "model/MemoryBudget.h"

#include <algorithm>
#include <limits>
#include <unistd.h>

namespace brenvik {

namespace {
constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
}

std::uint64_t MachineMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return kMax;
    return BytesFor(static_cast<std::uint64_t>(pages), static_cast<std::uint64_t>(size));
}

std::uint64_t BytesFor(std::uint64_t count, std::uint64_t size) {
    if (size != 0 && count > kMax / size) return kMax;
    return count * size;
}

bool FitsInMemory(std::uint64_t bytes, std::uint64_t limit) {
    return bytes <= (limit ? limit : MachineMemory());
}

std::uint64_t IsolineTableBytes(std::int64_t levels, std::int64_t pointMax, std::int64_t auxMax) {
    const auto count = static_cast<std::uint64_t>(std::max<std::int64_t>(levels, 0));
    const std::uint64_t slots = static_cast<std::uint64_t>(std::max<std::int64_t>(pointMax, 0)) +
                                static_cast<std::uint64_t>(std::max<std::int64_t>(auxMax, 0));
    return BytesFor(BytesFor(count, slots), 4);
}

} // namespace brenvik
