#pragma once

namespace brenvik {

// Settings of the result renderers (calculation colours, dots of colours) that
// live for the whole run; they are not written to the project file.
struct DisplaySettings {};

} // namespace brenvik
