// Feeds arbitrary bytes to the project file reader. Besides the sanitizers'
// findings, every text the reader accepts must be written again and read
// back to the very same bytes.
#include "model/ProjectFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    brenvik::Project p;
    if (!brenvik::ReadProjectText(p, text)) return 0;

    std::string first;
    if (!brenvik::WriteProjectText(p, first)) {
        std::fprintf(stderr, "accepted project cannot be written\n");
        std::abort();
    }
    brenvik::Project q;
    if (!brenvik::ReadProjectText(q, first)) {
        std::fprintf(stderr, "written project cannot be read\n");
        std::abort();
    }
    std::string second;
    if (!brenvik::WriteProjectText(q, second) || second != first) {
        std::fprintf(stderr, "second write differs from the first\n");
        std::abort();
    }
    return 0;
}
