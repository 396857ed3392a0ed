#include "model/Document.h"

#include "model/AtomicFile.h"
#include "model/FakePrompts.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

using namespace brenvik;
using brenvik::testing::FakePrompts;
using brenvik::testing::Slurp;
using brenvik::testing::Spit;
using brenvik::testing::TempDir;

namespace {

Project WithOneAntenna() {
    Project p;
    p.AntennaCount = 1;
    p.TowerCount = 1;
    p.EnsureAntennaSlots(1);
    p.Antennas[1].AntPower = 1600;
    p.Antennas[1].AntType = "alta";
    p.GroundGrid(2, 3) = 6;
    return p;
}

std::string TextOf(const Project& p) {
    std::string s;
    EXPECT_TRUE(WriteProjectText(p, s));
    return s;
}

// Runs `attempt` as an unprivileged user when the tests run as root (a
// privileged user writes into read-only folders regardless); returns its
// result, or nothing when no such user can be taken.
std::optional<bool> AsUnprivileged(const std::function<bool()>& attempt) {
    if (::geteuid() != 0) return attempt();
    pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(attempt() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 2)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

} // namespace

TEST(SaveProject, CancelledDialogWritesNothingAndKeepsTheName) {
    TempDir dir;
    Project p = WithOneAntenna();
    p.FileName = "old.bvk";
    FakePrompts ui; // no path: cancelled
    EXPECT_FALSE(SaveProject(p, ui));
    EXPECT_EQ(p.FileName, "old.bvk");
    EXPECT_EQ(p.Title(), "Brenvik 5.0 english [old.bvk]");
    EXPECT_EQ(ui.filters, std::vector<std::string>{"Torvel Files (*.bvk)| *.bvk"});
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(dir.entries(), 0);
}

TEST(SaveProject, WritesTheFileAndTakesItsName) {
    TempDir dir;
    Project p = WithOneAntenna();
    FakePrompts ui;
    ui.paths.push_back(dir.file("site.bvk"));
    EXPECT_TRUE(SaveProject(p, ui));
    EXPECT_EQ(p.FileName, dir.file("site.bvk"));
    EXPECT_EQ(Slurp(dir.file("site.bvk")), TextOf(p));
    EXPECT_EQ(dir.entries(), 1); // no temporary left behind
    EXPECT_TRUE(ui.messages.empty());
}

TEST(SaveProject, FailedSaveReportsAndLeavesThePreviousFileIntact) {
    TempDir dir;
    Project p = WithOneAntenna();
    const std::string target = dir.file("site.bvk");
    Spit(target, "previous contents\r\n");

    // A target that is a folder.
    std::filesystem::create_directory(dir.file("folder.bvk"));
    FakePrompts ui;
    ui.paths.push_back(dir.file("folder.bvk"));
    EXPECT_FALSE(SaveProject(p, ui));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Error en el fichero"});
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.bvk")));

    // A folder that does not exist.
    ui.paths.push_back(dir.file("missing/site.bvk"));
    EXPECT_FALSE(SaveProject(p, ui));
    EXPECT_EQ(ui.messages.size(), 2u);

    // A project that cannot be written leaves the old file as it was.
    p.DensityGrid(1, 1) = std::numeric_limits<double>::infinity();
    p.XYCalculated = 1;
    ui.paths.push_back(target);
    EXPECT_FALSE(SaveProject(p, ui));
    EXPECT_EQ(Slurp(target), "previous contents\r\n");
    EXPECT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(dir.entries(), 2);
}

TEST(SaveProject, ReadOnlyFolderKeepsTheOldFile) {
    TempDir dir;
    const std::string target = dir.file("site.bvk");
    Spit(target, "previous contents\r\n");
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    auto reported = AsUnprivileged([&] {
        Project p = WithOneAntenna();
        FakePrompts ui;
        ui.paths.push_back(target);
        return !SaveProject(p, ui) &&
               ui.messages == std::vector<std::string>{"Error en el fichero"};
    });
    if (!reported) GTEST_SKIP() << "no unprivileged user to write as";
    EXPECT_TRUE(*reported);
    EXPECT_EQ(Slurp(target), "previous contents\r\n");
    EXPECT_EQ(dir.entries(), 1);
}

TEST(AtomicFile, ReplacesInPlaceKeepingPermissions) {
    TempDir dir;
    const std::string target = dir.file("a.csv");
    Spit(target, "old");
    std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_read);
    ASSERT_TRUE(WriteFileAtomically(target, "new contents"));
    EXPECT_EQ(Slurp(target), "new contents");
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    EXPECT_EQ(dir.entries(), 1);
    EXPECT_FALSE(WriteFileAtomically("", "x"));
    EXPECT_FALSE(ReadWholeFile(dir.file("none")));
    EXPECT_FALSE(ReadWholeFile(dir.path().string())); // a folder is not a file
    EXPECT_EQ(ReadWholeFile(target), "new contents");
}

TEST(OpenProject, CancelledDialogLeavesTheProjectUntouched) {
    Project p = WithOneAntenna();
    p.XYCalculated = 1;
    p.FileName = "site.bvk";
    FakePrompts ui;
    EXPECT_FALSE(OpenProject(p, ui));
    EXPECT_EQ(p.AntennaCount, 1);
    EXPECT_EQ(p.XYCalculated, 1);
    EXPECT_EQ(p.GroundGrid(2, 3), 6);
    EXPECT_EQ(p.FileName, "site.bvk");
    EXPECT_TRUE(ui.messages.empty());
}

TEST(OpenProject, ReadsTheChosenFile) {
    TempDir dir;
    Project saved = WithOneAntenna();
    saved.PlanWidthM = 300;
    Spit(dir.file("site.bvk"), TextOf(saved));
    Project p;
    p.XZCalculated = 1;
    FakePrompts ui;
    ui.paths.push_back(dir.file("site.bvk"));
    EXPECT_TRUE(OpenProject(p, ui));
    EXPECT_EQ(ui.filters, std::vector<std::string>{"Torvel Files (*.bvk)| *.bvk"});
    EXPECT_EQ(p.FileName, dir.file("site.bvk"));
    EXPECT_EQ(p.AntennaCount, 1);
    EXPECT_EQ(p.PlanWidthM, 300);
    EXPECT_EQ(p.XZCalculated, 0); // no section of the previous work survives
    EXPECT_EQ(TextOf(p), TextOf(saved));
}

TEST(OpenProject, BadFileReportsAndResetsKeepingTheFailingName) {
    TempDir dir;
    Spit(dir.file("bad.bvk"), "2\r\n150\r\n100\r\n3\r\n0\r\n36\r\n");
    Project p = WithOneAntenna();
    p.OriginLat = 12;
    FakePrompts ui;
    ui.paths.push_back(dir.file("bad.bvk"));
    ui.paths.push_back(dir.file("missing.bvk"));
    EXPECT_FALSE(OpenProject(p, ui));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Error en el fichero"});
    EXPECT_EQ(p.AntennaCount, 0);
    EXPECT_EQ(p.OriginLat, 64);
    EXPECT_EQ(p.GroundGrid(2, 3), 0);
    EXPECT_EQ(p.Title(), "Brenvik 5.0 english [" + dir.file("bad.bvk") + "]");
    EXPECT_FALSE(OpenProject(p, ui)); // a file that does not exist
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST(SaveChanges, EachAnswerAndPendingAction) {
    using A = Prompts::Answer;
    {
        Project p = WithOneAntenna();
        p.FileName = "a.bvk";
        FakePrompts ui;
        ui.answers = {A::Cancel};
        auto out = AskSaveChanges(p, ui, "nuevo");
        EXPECT_EQ(p.PendingAction, "nuevo");
        EXPECT_FALSE(out.documentChanged);
        EXPECT_EQ(p.AntennaCount, 1);
        EXPECT_EQ(ui.saveAsked + ui.openAsked, 0);
    }
    {
        TempDir dir;
        Project p = WithOneAntenna();
        FakePrompts ui;
        ui.answers = {A::Yes};
        ui.paths.push_back(dir.file("s.bvk"));
        auto out = AskSaveChanges(p, ui, "nuevo");
        // Saved; the action itself waits for the user to repeat it.
        EXPECT_EQ(ui.saveAsked, 1);
        EXPECT_EQ(p.AntennaCount, 1);
        EXPECT_FALSE(out.documentChanged);
        EXPECT_EQ(Slurp(dir.file("s.bvk")), TextOf(p));
    }
    {
        Project p = WithOneAntenna();
        p.FileName = "a.bvk";
        p.PlanWidthM = 400;
        FakePrompts ui;
        ui.answers = {A::No};
        auto out = AskSaveChanges(p, ui, "nuevo");
        EXPECT_TRUE(out.documentChanged);
        EXPECT_EQ(p.Title(), "Brenvik 5.0 english []");
        EXPECT_EQ(p.AntennaCount, 0);
        EXPECT_EQ(p.PlanWidthM, 400);
    }
    {
        Project p = WithOneAntenna();
        FakePrompts ui;
        ui.answers = {A::No};
        auto out = AskSaveChanges(p, ui, "abrir"); // the Open dialog is then cancelled
        EXPECT_EQ(ui.openAsked, 1);
        EXPECT_FALSE(out.documentChanged);
        EXPECT_EQ(p.AntennaCount, 1);
    }
    const std::pair<const char*, PendingDialog> dialogs[] = {
        {"calculoescala", PendingDialog::ScaleCalculation},
        {"tamano", PendingDialog::GridSize},
        {"lineas", PendingDialog::IsolineCount},
        {"escala", PendingDialog::Scale}};
    for (auto [action, dialog] : dialogs) {
        Project p = WithOneAntenna();
        FakePrompts ui;
        ui.answers = {A::No, A::Cancel};
        EXPECT_EQ(AskSaveChanges(p, ui, action).dialog, dialog) << action;
        EXPECT_EQ(p.AntennaCount, 1);
        EXPECT_EQ(AskSaveChanges(p, ui, action).dialog, PendingDialog::None) << action;
    }
}
