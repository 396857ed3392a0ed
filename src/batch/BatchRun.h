#pragma once

#include "batch/BatchOptions.h"
#include "batch/Progress.h"
#include "model/Messages.h"

#include <functional>
#include <span>
#include <stdexcept>
#include <string>

namespace brenvik {
class Project;
}
namespace brenvik::render {
class Surface;
}

namespace brenvik::batch {

// A step that cannot go on; the text is the program's message for standard
// error (the message box text the application would show, where it has one).
struct BatchFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kMsgInterrupted = msg::Interrupted;

// What the run needs from the program around it.
struct RunEnvironment {
    ProgressBar* progress = nullptr;  // may be null: no progress
    const Feedback* cancel = nullptr; // canceled by Ctrl-C; the outer feedback of every step
    // Draws the image of the project, with `overlay` over the result, into
    // the file at `path` (the staged temporary of the image's target); a
    // canceled `cancel` stops it. Throws BatchFailure. Without it an --image
    // fails.
    std::function<void(const Project&, const ImageRequest&, const std::string& path,
                       const render::Overlay& overlay, const Feedback* cancel)>
        drawImage;
    // Told the time of each step that ran ("read", "xy", "xz", "export KIND",
    // "image", "save", "commit"): wall-clock seconds and the processor seconds
    // of every thread of the program.
    std::function<void(const std::string& step, double seconds, double cpuSeconds)> stepTimed;
    // Writes a PDF of `pages` pages drawn by `draw` (the report); returns the
    // reason of a failure or an empty text. Without it a --report fails.
    std::function<std::string(const std::string& path, const std::string& title, int pages,
                              const std::function<void(int, render::Surface&)>& draw)>
        writePdf;
    // Told a note that does not stop the run (a limits file that does not read).
    std::function<void(const std::string&)> warn;
    // The outputs the run's --export kinds name, with what each needs.
    std::span<const pipeline::OutputFormat> outputs = pipeline::OutputFormats();
};

struct RunOutcome {
    int status = 0; // 0 success, 1 failure
    std::string message;
};

// One batch run, the steps in their fixed order: read the file, apply the
// settings, the XY calculation, the XZ calculation, the exports (in the order
// given), the image, the save. Every output is staged beside its target and
// put in place only when all steps have succeeded.
RunOutcome RunBatch(const BatchOptions& options, const RunEnvironment& env);

// The steps one by one, for tests and for RunBatch. Each throws BatchFailure.
void readProject(Project& p, const std::string& path);
void ApplySettings(Project& p, const BatchOptions& options);
void RunXYStep(Project& p, const BatchOptions& options, const RunEnvironment& env);
void RunXZStep(Project& p, const BatchOptions& options, const RunEnvironment& env);
// Writes one export of `kind` into the file at `path`; a canceled `cancel`
// stops it with "Interrupted".
void WriteExport(Project& p, ExportKind kind, const std::string& path,
                 const Feedback* cancel = nullptr);
// The same through a feedback of the run (its progress on the bar).
void WriteExport(Project& p, ExportKind kind, const std::string& path, Feedback& feedback);
// Writes an output of the table as its row says: each result it reads must
// be current, then its operation runs.
void WriteExport(const Project& p, const pipeline::OutputFormat& format, const std::string& path,
                 Feedback& feedback);
// Prepares the project for the image: the plane, display style and
// background asked for, refused as the window's commands refuse them.
void PrepareImage(Project& p, const ImageRequest& image);
void saveProject(Project& p, const std::string& path, const Feedback* cancel = nullptr);

} // namespace brenvik::batch
