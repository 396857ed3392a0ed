#include "model/Memory.h"

#include <cstdlib>

namespace brenvik {

bool RoomFor(std::size_t bytes) {
    // Kept in a volatile so the request is really made, not folded away with
    // its release.
    void* volatile block = std::malloc(bytes);
    const bool ok = block != nullptr;
    std::free(block);
    return ok;
}

} // namespace brenvik
