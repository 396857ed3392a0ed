// Every file the programs read, given a FIFO or an endless device instead of
// a plain file: each run ends at once with a message, never blocking on the
// FIFO nor reading the device until memory runs out.

#include "BatchTestSupport.h"

#include <chrono>
#include <functional>
#include <string>
#include <sys/stat.h>

using namespace brenvik;
using namespace batchtest;

class NonPlainInputs : public ScratchTest {
  public:
    using ScratchTest::at;
    using ScratchTest::dir;
    std::string site() {
        writeSite(Project(), at("site.bvk"));
        return at("site.bvk");
    }
    // Runs the program under a watchdog: 124 means it was still blocked.
    int run(const std::string& args, bool tiles) {
        const std::string exe = tiles ? BRENVIK_TILES_EXE : BRENVIK_BATCH_EXE;
        const std::string cmd = "XDG_CONFIG_HOME=" + dir.string() + " timeout -s KILL 20 " + exe +
                                " " + args + " >" + at(".out") + " 2>" + at(".err");
        const int st = std::system(cmd.c_str());
        err = slurp(dir / ".err");
        return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    }
};

namespace {

struct Reader {
    const char* name;
    // The command line (without the program) that reads `nonPlain` through
    // this reader; `s` is the test, to write the other inputs it needs.
    std::function<std::string(NonPlainInputs& s, const std::string& nonPlain)> args;
    bool tiles = false;              // brenvik-tiles rather than brenvik-batch
    const char* named = "input.dat"; // what the message names
    int status = 1;
};

const char* kSitesHeader = "site,lon,lat,x_m,y_m,height_m,type,erp_w,azimuth_deg,tilt_deg,"
                           "frequency_mhz,label,pattern,h_beamwidth_deg,v_beamwidth_deg,"
                           "electrical_tilt_deg\n";

} // namespace

TEST_F(NonPlainInputs, EveryReaderRefusesAFifoAndAnEndlessDeviceAtOnce) {
    const std::vector<Reader> readers = {
        {"project file", [](NonPlainInputs&, const std::string& f) { return f + " --xy surface"; }},
        {"site inventory",
         [](NonPlainInputs& s, const std::string& f) { return s.site() + " --import-sites " + f; }},
        {"pattern named by the inventory",
         [](NonPlainInputs& s, const std::string& f) {
             std::ofstream(s.at("sites.csv"))
                 << kSitesHeader << "north,,,40,60,12,panel,1500,30,4,2600,," << f << ",,,\n";
             return s.site() + " --import-sites " + s.at("sites.csv") +
                    " --model far-field --xy surface";
         }},
        {"terrain",
         [](NonPlainInputs& s, const std::string& f) { return s.site() + " --terrain " + f; }},
        {"buildings",
         [](NonPlainInputs& s, const std::string& f) { return s.site() + " --buildings " + f; }},
        {"places",
         [](NonPlainInputs& s, const std::string& f) { return s.site() + " --places " + f; }},
        {"the user's limits file",
         [](NonPlainInputs& s, const std::string& f) {
             fs::create_directories(s.dir / "brenvik");
             fs::create_symlink(f, s.dir / "brenvik" / "limits.json");
             return s.site() + " --standard icnirp-2020 --xy surface";
         },
         false, "The limits file was refused: " /* and the run fails for its own reason */},
        {"tiles' inventory",
         [](NonPlainInputs& s, const std::string& f) {
             return "plan --sites " + f +
                    " --area 2.30,48.85,2.31,48.86 --resolution 10 --tile-size 256 --out " +
                    s.at("plan");
         },
         true},
        {"tiles' terrain",
         [](NonPlainInputs& s, const std::string& f) {
             std::ofstream(s.at("sites.csv"))
                 << "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz\n"
                    "S,2.305,48.855,30,panel,1000,90,4,900\n";
             return "plan --sites " + s.at("sites.csv") + " --terrain " + f +
                    " --area 2.30,48.85,2.31,48.86 --resolution 10 --tile-size 256 --out " +
                    s.at("plan");
         },
         true},
    };
    for (const Reader& r : readers) {
        for (const std::string kind : {"FIFO", "endless device"}) {
            SCOPED_TRACE(std::string(r.name) + ", " + kind);
            for (const auto& e : fs::directory_iterator(dir))
                fs::remove_all(e.path());
            const std::string nonPlain = at("input.dat");
            if (kind == "FIFO")
                ASSERT_EQ(::mkfifo(nonPlain.c_str(), 0600), 0);
            else
                fs::create_symlink("/dev/zero", nonPlain);
            const auto start = std::chrono::steady_clock::now();
            const int status = run(r.args(*this, nonPlain), r.tiles);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            // Refused as input, not as a usage error, and not left blocked
            // until the watchdog killed it.
            EXPECT_EQ(status, r.status) << err << " after " << seconds << " s";
            EXPECT_NE(err.find(r.named), std::string::npos) << err;
            EXPECT_LT(err.size(), 2000u) << err;
        }
    }
}
