// Runs that write the same outputs at the same time, and outputs that are one
// file under two spellings.

#include "BatchTestSupport.h"
#include "batch/BatchRun.h"
#include "batch/StagedOutputs.h"

#include <array>
#include <gdal_priv.h>
#include <latch>
#include <set>
#include <sys/mount.h>
#include <thread>

using namespace brenvik;
using namespace brenvik::batch;
using namespace batchtest;

class ConcurrentRuns : public ScratchTest {
  protected:
    std::set<std::string> namesIn(const fs::path& folder) const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(folder))
            out.insert(e.path().filename().string());
        return out;
    }
};

TEST_F(ConcurrentRuns, EachRunOfAPairSucceedsWholeOrNamesTheOther) {
    writeSite(MakeSite(20, 1), dir / "site.bvk");
    // The runs export a stored result, so that they spend their time writing.
    ASSERT_EQ(RunBatch(options({at("site.bvk"), "--xy", "surface", "--save", at("result.bvk")}),
                       RunEnvironment{})
                  .status,
              0);
    fs::create_directory(dir / "out");
    const BatchOptions o =
        options({at("result.bvk"), "--export", "maximum-cartesian=" + at("out/x.csv"), "--export",
                 "gpkg=" + at("out/m.gpkg")});
    int succeeded = 0;
    for (int pair = 0; pair < 60; ++pair) {
        std::array<RunOutcome, 2> r;
        std::latch start(2);
        std::thread other([&] {
            start.arrive_and_wait();
            r[1] = RunBatch(o, RunEnvironment{});
        });
        start.arrive_and_wait();
        r[0] = RunBatch(o, RunEnvironment{});
        other.join();
        for (const RunOutcome& run : r) {
            SCOPED_TRACE(pair);
            EXPECT_EQ(run.message.find("No such file"), std::string::npos) << run.message;
            if (run.status == 0)
                ++succeeded;
            else
                EXPECT_NE(run.message.find("another run"), std::string::npos) << run.message;
        }
    }
    EXPECT_GT(succeeded, 60) << "most runs do not meet the other at its commit";
    EXPECT_EQ(namesIn(dir / "out"), (std::set<std::string>{"m.gpkg", "x.csv"}))
        << "no temporary, private folder, backup or journal left behind";
    // What stays is one whole run's: the table a lone run writes, and a map
    // file other tools open.
    const std::string table = slurp(dir / "out/x.csv");
    ASSERT_EQ(
        RunBatch(options({at("result.bvk"), "--export", "maximum-cartesian=" + at("lone.csv")}),
                 RunEnvironment{})
            .status,
        0);
    EXPECT_EQ(table, slurp(dir / "lone.csv"));
    GDALDatasetUniquePtr gpkg(
        GDALDataset::Open(at("out/m.gpkg").c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
    ASSERT_TRUE(gpkg);
    EXPECT_NE(gpkg->GetLayerByName("antennas"), nullptr);
}

TEST_F(ConcurrentRuns, TwoSpellingsOfOneFolderAreOneOutputBeforeTheFileExists) {
    writeSite(MakeSite(20, 1), dir / "site.bvk");
    fs::create_directory(dir / "a");
    // A link to the folder stands in for a bind mount, which only some
    // machines allow a test to make; where one can be made it is tried too.
    fs::create_directory_symlink(dir / "a", dir / "b");
    std::vector<std::string> spellings{"b"};
    fs::create_directory(dir / "c");
    // Unmounted whatever the checks below find, before the folder goes.
    struct Mount {
        std::string where;
        bool made;
        ~Mount() {
            if (made) ::umount2(where.c_str(), MNT_DETACH);
        }
    } const bound{at("c"),
                  ::mount(at("a").c_str(), at("c").c_str(), nullptr, MS_BIND, nullptr) == 0};
    if (bound.made) spellings.push_back("c");
    for (const std::string& other : spellings) {
        SCOPED_TRACE(other);
        const BatchOptions o = options({at("site.bvk"), "--xy", "surface", "--export",
                                        "maximum-cartesian=" + at("a/x.csv"), "--export",
                                        "concentrations-cartesian=" + at(other + "/x.csv")});
        const auto twice = SameOutputTwice(o);
        ASSERT_TRUE(twice);
        EXPECT_NE(twice->find("two outputs on the same path"), std::string::npos) << *twice;
        const RunOutcome r = RunBatch(o, RunEnvironment{});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.message.find("it is already an output"), std::string::npos) << r.message;
        EXPECT_TRUE(namesIn(dir / "a").empty());
        // Two files of one folder stay two outputs.
        EXPECT_FALSE(SameOutputTwice(
            options({at("site.bvk"), "--export", "maximum-cartesian=" + at("a/x.csv"), "--export",
                     "concentrations-cartesian=" + at(other + "/y.csv")})));
    }
}

TEST_F(ConcurrentRuns, AnotherUsersFolderLinkInAStickyFolderIsRefusedByTheProgram) {
    ASSERT_EQ(::geteuid(), 0u) << "giving a link away needs the superuser";
    writeSite(MakeSite(20, 1), dir / "site.bvk");
    fs::create_directory(dir / "private");
    ::chmod(at("private").c_str(), 0700);
    fs::create_directory(dir / "shared");
    ::chmod(at("shared").c_str(), 01777);
    fs::create_directory_symlink(dir / "private", dir / "shared/evil");
    ASSERT_EQ(::lchown(at("shared/evil").c_str(), 65534, 65534), 0);
    const std::pair<std::string, std::string> cases[] = {
        {"--export maximum-cartesian=", "secret.csv"},
        {"--image ", "secret.png"},
        {"--save ", "secret.bvk"}};
    for (const auto& [option, name] : cases) {
        SCOPED_TRACE(option);
        std::ofstream(dir / "private" / name) << "root only";
        EXPECT_EQ(sh(at("site.bvk") + " --xy surface " + option + at("shared/evil/" + name)), 1);
        EXPECT_NE(err.find("another user's link in a shared folder: " + at("shared/evil")),
                  std::string::npos)
            << err;
        EXPECT_EQ(slurp(dir / "private" / name), "root only");
        fs::remove(dir / "private" / name);
        EXPECT_TRUE(namesIn(dir / "private").empty()) << "nothing else written there";
    }
}
