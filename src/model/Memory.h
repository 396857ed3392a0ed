#pragma once

#include <cstddef>

namespace brenvik {

// Whether `bytes` more memory could be had now. The block is asked for and
// given back at once without being touched, so the test costs address space
// only for an instant, not pages.
bool RoomFor(std::size_t bytes);

} // namespace brenvik
