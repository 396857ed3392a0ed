#include "model/MemoryBudget.h"

#include <algorithm>
#include <limits>

namespace brenvik {

std::uint64_t BytesFor(std::uint64_t count, std::uint64_t size) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    if (size != 0 && count > kMax / size) return kMax;
    return count * size;
}

std::uint64_t IsolineTableBytes(std::int64_t levels, std::int64_t pointMax, std::int64_t auxMax) {
    const auto count = static_cast<std::uint64_t>(std::max<std::int64_t>(levels, 0));
    const std::uint64_t slots = static_cast<std::uint64_t>(std::max<std::int64_t>(pointMax, 0)) +
                                static_cast<std::uint64_t>(std::max<std::int64_t>(auxMax, 0));
    return BytesFor(BytesFor(count, slots), 4);
}

} // namespace brenvik
