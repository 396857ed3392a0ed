// The built brenvik-batch run as a script runs it: exit status, standard
// error, files left behind, images, the progress bar on a terminal, Ctrl-C;
// and Ctrl-C in the middle of each long step in-process.

#include "BatchTestSupport.h"
#include "batch/BatchRun.h"
#include "batch/ImageOutput.h"
#include "batch/Interrupt.h"
#include "batch/StagedOutputs.h"
#include "render/Palette.h"
#include "render/Scene.h"

#include <QGuiApplication>
#include <QImage>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <set>
#include <sys/wait.h>
#include <thread>

using namespace brenvik;
using namespace batchtest;

namespace {

struct Ran {
    int status = -1;
    std::string out, err;
};

// In a forked child: standard output (and error, when a path is given) into
// files, then the program with `args`.
[[noreturn]] void ExecProgram(const std::vector<std::string>& args, const std::string& out,
                              const std::string& err = {}) {
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    if (!err.empty()) ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    std::vector<char*> argv{const_cast<char*>(BRENVIK_BATCH_EXE)};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(BRENVIK_BATCH_EXE, argv.data());
    ::_exit(127);
}

std::string Example(const std::string& name) {
    return (fs::path(BRENVIK_EXAMPLES_DIR) / name).string();
}

} // namespace

class Program : public ScratchTest {
  protected:
    // The program with `args` as they stand, each quoted for the shell.
    Ran run(const std::vector<std::string>& args) {
        std::string line;
        for (const auto& a : args)
            line += " '" + a + "'";
        const int status = sh(line);
        return {status, out, err};
    }
};

TEST_F(Program, ExitStatusAndUsage) {
    Ran r = run({});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Usage: brenvik-batch PROJECT.bvk [options]"), std::string::npos);
    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--export KIND=PATH"), std::string::npos);
    EXPECT_EQ(r.err, "");
    r = run({"a.bvk", "--xy", "high"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--xy"), std::string::npos);
    EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    r = run({at("none.bvk")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error en el fichero\n" + at("none.bvk") + ": no such file\n");
    // Two spellings of one output would lose one of them; so would two names
    // of one existing file (a bind mount's, or here a second link), which
    // differ as text but not as device and inode.
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    std::ofstream(dir / "a/y.csv") << "old";
    fs::create_hard_link(dir / "a/y.csv", dir / "b/y.csv");
    for (auto [first, second] :
         {std::pair{at("a/x.csv"), at("./a/x.csv")}, std::pair{at("a/y.csv"), at("b/y.csv")}}) {
        r = run({at("none.bvk"), "--export", "grid-xy=" + first, "--export", "grid-xz=" + second});
        EXPECT_EQ(r.status, 2) << second;
        EXPECT_NE(r.err.find("two outputs on the same path"), std::string::npos) << second;
    }
}

TEST_F(Program, TheExamplesRunAndTheirResultsLookRight) {
    // One tower on flat ground, both planes.
    // (What each export holds is the application's: see the steps' tests.)
    Ran r = run({Example("single-tower-flat.bvk"), "--xy", "surface", "--xz", "60", "--export",
                 "maximum-cartesian=" + at("max.csv"), "--save", at("single.bvk")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, ""); // not a terminal: no progress
    Project single;
    ASSERT_TRUE(LoadProjectFile(single, at("single.bvk")));
    EXPECT_TRUE(single.XY.Calculated && single.XY.MaxDensity > 0.0);

    // Several towers over stepped ground: the file's result with its own
    // number of isolines serves the exports without a calculation.
    Project stepped;
    ASSERT_TRUE(LoadProjectFile(stepped, Example("stepped-towers.bvk")) && stepped.XY.Calculated);
    r = run({Example("stepped-towers.bvk"), "--export", "isolines-cartesian=" + at("iso.csv")});
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> levels;
    std::istringstream iso(slurp(dir / "iso.csv"));
    std::string line;
    for (std::getline(iso, line); std::getline(iso, line);)
        levels.insert(line.substr(line.rfind(',') + 1));
    EXPECT_EQ(stepped.IsolineCount, 5);
    EXPECT_TRUE(levels.size() >= 3u && levels.size() <= 5u) << levels.size();
}

TEST_F(Program, AnImagePerStyleOnBothPlanes) {
    const std::string site = Example("stepped-towers.bvk");
    std::set<std::string> seen;
    for (const char* style : {"isolines", "gradient", "grid", "dots"}) {
        for (const char* plane : {"xy", "xz"}) {
            std::string name = std::string(style) + "-" + plane + ".png";
            Ran r = run({site, "--quiet", "--xz", "50", "--image", at(name), "--style", style,
                         "--plane", plane, "--size", "640x440"});
            ASSERT_EQ(r.status, 0) << name << ": " << r.err;
            EXPECT_EQ(r.err, "") << "only the program's own messages go to standard error";
            QImage img(QString::fromStdString(at(name)), "PNG");
            ASSERT_EQ(img.size(), QSize(640, 440)) << name;
            std::set<QRgb> colours;
            for (int y = 0; y < img.height(); y += 4)
                for (int x = 0; x < img.width(); x += 4)
                    colours.insert(img.pixel(x, y));
            EXPECT_GT(colours.size(), 2u) << name << " is blank";
            seen.insert(slurp(dir / name));
        }
    }
    EXPECT_EQ(seen.size(), 8u); // eight different pictures
    // The random dots come out the same in every run, so reports can be redone.
    ASSERT_EQ(run({site, "--xz", "50", "--image", at("again.png"), "--style", "dots", "--plane",
                   "xy", "--size", "640x440"})
                  .status,
              0);
    EXPECT_EQ(slurp(dir / "again.png"), slurp(dir / "dots-xy.png"));
    ASSERT_EQ(
        run({site, "--image", at("w.bmp"), "--background", "white", "--style", "gradient"}).status,
        0);
    EXPECT_EQ(QImage(QString::fromStdString(at("w.bmp")), "BMP").size(), QSize(1024, 704));
    // The same gradient in the classic levels: each picture shows its own
    // scheme's colours and none of the other's.
    ASSERT_EQ(run({site, "--image", at("c.bmp"), "--background", "white", "--style", "gradient",
                   "--colours", "classic"})
                  .status,
              0);
    for (auto [name, classic] : {std::pair("w.bmp", false), {"c.bmp", true}}) {
        const QImage img(QString::fromStdString(at(name)), "BMP");
        std::set<QRgb> colours;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                colours.insert(img.pixel(x, y) | 0xff000000u);
        int ownLevels = 0, otherLevels = 0;
        for (int level = 1; level <= 10; ++level) {
            const render::Rgb c = render::GradientColour(level, true),
                              d = render::DensityStep(level);
            const bool hasClassic = colours.count(qRgb(c.r, c.g, c.b)) > 0,
                       hasSafe = colours.count(qRgb(d.r, d.g, d.b)) > 0;
            ownLevels += classic ? hasClassic : hasSafe;
            otherLevels += classic ? hasSafe : hasClassic;
        }
        EXPECT_GE(ownLevels, 5) << name;
        EXPECT_EQ(otherLevels, 0) << name;
    }
}

TEST_F(Program, DecoratedPicturesOfTheWholePlanInEachFormat) {
    const std::string site = Example("stepped-towers.bvk");
    for (const char* name : {"plan.png", "plan.svg", "plan.pdf"}) {
        Ran r = run({site, "--quiet", "--xy", "surface", "--decorate", "--image", at(name),
                     "--style", "gradient", "--size", "900x700"});
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    }
    EXPECT_EQ(QImage(QString::fromStdString(at("plan.png")), "PNG").size(), QSize(900, 700));
    const std::string svg = slurp(dir / "plan.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find(">N<"), std::string::npos);
    EXPECT_EQ(slurp(dir / "plan.pdf").substr(0, 5), "%PDF-");
    const auto text = PdfText(dir / "plan.pdf");
    ASSERT_TRUE(text);
    for (const char* t : {" m", "N", "Scale"})
        EXPECT_NE(text->find(t), std::string::npos) << t << "\n" << *text;
}

TEST_F(Program, ProgressOnATerminalOnly) {
    writeSite(MakeSite(300, 3), dir / "site.bvk");
    for (bool quiet : {false, true}) {
        int master = -1;
        pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        std::vector<std::string> args{at("site.bvk"), "--xy", "surface"};
        if (quiet) args.push_back("--quiet");
        if (pid == 0) ExecProgram(args, "/dev/null");
        ASSERT_GT(pid, 0);
        std::string seen;
        char buf[4096];
        // Reading ends with EIO once the program has ended.
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            seen.append(buf, static_cast<std::size_t>(n));
        int st = 0;
        ::waitpid(pid, &st, 0);
        ::close(master);
        EXPECT_EQ(WEXITSTATUS(st), 0);
        for (const char* shown : {"XY  pass 1/1  antenna ", "antenna 9/9", " node "})
            EXPECT_EQ(seen.find(shown) != std::string::npos, !quiet) << seen;
        EXPECT_TRUE(!quiet || seen.empty()) << seen;
    }
}

TEST_F(Program, CtrlCStopsCleanlyWithoutPartialOutput) {
    writeSite(MakeSite(2000, 40), dir / "site.bvk");
    std::ofstream(dir / "max.csv") << "previous";
    const std::vector<std::string> before{".stderr", "max.csv", "site.bvk"};
    pid_t pid = ::fork();
    if (pid == 0)
        ExecProgram({at("site.bvk"), "--xy", "surface", "--save", at("out.bvk"), "--export",
                     "maximum-cartesian=" + at("max.csv")},
                    "/dev/null", at(".stderr"));
    ASSERT_GT(pid, 0);
    // Interrupt once the run has staged its outputs: its handler is in place
    // by then, and the long calculation is still ahead of it.
    int st = 0;
    bool ended = false;
    while (!ended && files().size() <= before.size()) {
        ended = ::waitpid(pid, &st, WNOHANG) == pid;
        ::usleep(1000);
    }
    ASSERT_FALSE(ended) << "the run ended before it staged its outputs";
    ::kill(pid, SIGINT);
    ::waitpid(pid, &st, 0);
    ASSERT_TRUE(WIFEXITED(st)) << "ended by the signal instead of cleanly";
    ASSERT_EQ(WEXITSTATUS(st), 1) << "the run ended before the interrupt";
    EXPECT_EQ(slurp(dir / ".stderr"), "Interrupted\n");
    EXPECT_EQ(files(), before);
    EXPECT_EQ(slurp(dir / "max.csv"), "previous");
}

using Interrupt = Program;

// The save and the image each stop promptly with "Interrupted" and leave no
// temporary (the exports' writers stop on a cancel in the pipeline's tests).
TEST_F(Interrupt, ALongStepStopsSoonAfterTheSignal) {
    using namespace brenvik::batch;
    using Clock = std::chrono::steady_clock;
    // The image draws text, which needs the application object.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "test_batch";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    Project p = MakeSite(2000, 4);
    ASSERT_TRUE(RunXYCalculation(p).ok());
    InstallInterruptHandler();
    const Feedback* flag = &InterruptFeedback();
    ImageRequest dots;
    dots.style = 3;
    dots.width = 8000;
    dots.height = 5500;
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> step;
    };
    using Path = const std::string&;
    // clang-format off
    const Case cases[] = {
        {"save", [&](Path to) { saveProject(p, to, flag); }},
        {"image", [&](Path to) { PrepareImage(p, dots); WriteProjectImage(p, dots, to, {}, flag); }},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetInterrupted(false);
        Clock::time_point signalled{};
        std::string message;
        {
            StagedOutputs staged;
            const std::string tmp = staged.stage(at("out"));
            // The signal comes once the step is well under way.
            std::thread ctrlC([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                signalled = Clock::now();
                std::raise(SIGINT);
            });
            try {
                c.step(tmp);
            } catch (const BatchFailure& f) {
                message = f.what();
            }
            const auto stopped = Clock::now();
            ctrlC.join();
            ASSERT_FALSE(message.empty()) << "the step ended before the signal";
            const double latency = std::chrono::duration<double>(stopped - signalled).count();
            // The figure is printed, not held to a second: a loaded machine
            // stretches it. A step that ignores the signal runs on far longer.
            std::printf("%-10s stopped %.3f s after the signal\n", c.what, latency);
            EXPECT_LT(latency, 5.0);
        }
        EXPECT_EQ(message, kMsgInterrupted);
        EXPECT_TRUE(files().empty()) << "no temporary left";
    }
    SetInterrupted(false);
}
