#pragma once

// GDAL reports its errors through a handler whose default prints them raw to
// standard error ("ERROR 1: ..."), apart from the program's own message. A
// GdalErrorTrap set around a GDAL operation collects them instead, so the
// operation's message can name GDAL's cause and nothing else reaches the
// terminal. Header-only, so that the tile maps use it without the layers.
#include "model/InputFile.h"

#include <algorithm>
#include <cpl_error.h>
#include <string>
#include <vector>

namespace brenvik::gis {

class GdalErrorTrap {
  public:
    // The handler stack is the calling thread's: the trap covers what GDAL
    // reports on this thread, and starts from no error.
    GdalErrorTrap() {
        CPLErrorReset();
        CPLPushErrorHandlerEx(&Collect, this);
    }
    ~GdalErrorTrap() { CPLPopErrorHandler(); }
    GdalErrorTrap(const GdalErrorTrap&) = delete;
    GdalErrorTrap& operator=(const GdalErrorTrap&) = delete;

    // Whether GDAL reported a failure since the trap was set.
    bool failed() const { return !errors_.empty(); }
    // GDAL's failures, each once, joined by "; "; empty when there were none.
    std::string text() const {
        std::string out;
        for (const std::string& e : errors_)
            out += (out.empty() ? "" : "; ") + e;
        return out;
    }
    // "what: GDAL's failures", or `what` alone when GDAL said nothing.
    std::string because(const std::string& what) const {
        return errors_.empty() ? what : what + ": " + text();
    }

  private:
    // A failing read may report the same fault once per block: a few
    // distinct causes say it all.
    static constexpr std::size_t kKept = 4;

    static void CPL_STDCALL Collect(CPLErr level, CPLErrorNum, const char* message) {
        auto* self = static_cast<GdalErrorTrap*>(CPLGetErrorHandlerUserData());
        if (!self || level < CE_Failure) return; // warnings and debug output stay unsaid
        std::string text = message ? message : "";
        std::replace(text.begin(), text.end(), '\n', ' ');
        text = QuoteCut(text, 240);
        if (text.empty() || self->errors_.size() >= kKept ||
            std::find(self->errors_.begin(), self->errors_.end(), text) != self->errors_.end())
            return;
        self->errors_.push_back(std::move(text));
    }

    std::vector<std::string> errors_;
};

// For GDAL's own worker threads, which no trap covers: their reports are
// dropped rather than printed (the operation that started them fails with
// its own message). Called once when GDAL's drivers are registered.
inline void SilenceUntrappedGdal() {
    CPLSetErrorHandler(CPLQuietErrorHandler);
}

} // namespace brenvik::gis
