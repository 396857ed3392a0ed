#include "model/Document.h"

#include "model/AtomicFile.h"
#include "model/FakePrompts.h"
#include "model/ProjectFile.h"
#include "model/TempDir.h"
#include "model/TestProjects.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace brenvik;
using brenvik::testing::FakePrompts;
using brenvik::testing::ProjectText;
using brenvik::testing::Slurp;
using brenvik::testing::Spit;
using brenvik::testing::TempDir;

namespace {

Project WithOneAntenna() {
    Project p;
    brenvik::testing::AddAntenna(p, AntennaKind::Panel, 1600, 0, 0, 0, 0);
    p.GroundGrid(2, 3) = 6;
    return p;
}

} // namespace

TEST(SaveProject, CancelWritesNothingAFailureReportsAndKeepsThePreviousFile) {
    TempDir dir;
    Project p = WithOneAntenna();
    p.FileName = "old.bvk";
    FakePrompts ui; // no path: cancelled
    EXPECT_FALSE(SaveProject(p, ui));
    EXPECT_EQ(std::tuple(p.Title(), dir.entries()), std::tuple("Brenvik 5.0 english [old.bvk]", 0));

    ui.paths.push_back(dir.file("site.bvk"));
    EXPECT_TRUE(SaveProject(p, ui));
    EXPECT_EQ(ui.filters.back(), "Torvel Files (*.bvk)| *.bvk");
    // Named after the file; no temporary left behind.
    EXPECT_EQ(
        std::tuple(p.FileName, Slurp(dir.file("site.bvk")), dir.entries(), ui.messages.size()),
        std::tuple(dir.file("site.bvk"), ProjectText(p), 1, 0u));

    const std::string target = dir.file("site.bvk");
    Spit(target, "previous contents\r\n");
    std::filesystem::create_directory(dir.file("folder.bvk"));
    ui.paths.push_back(dir.file("folder.bvk"));       // a folder in the way
    ui.paths.push_back(dir.file("missing/site.bvk")); // a folder that does not exist
    EXPECT_FALSE(SaveProject(p, ui) || SaveProject(p, ui));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.bvk")));

    p.XY.Density(1, 1) = std::numeric_limits<double>::infinity(); // no file form
    p.XY.Calculated = true;
    ui.paths.push_back(target);
    EXPECT_FALSE(SaveProject(p, ui));
    // The known text first; the file and the cause, when there is one, below it.
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0],
              "Error en el fichero\n" + dir.file("folder.bvk") + ": it is a folder");
    EXPECT_EQ(ui.messages[1].substr(0, 20), "Error en el fichero\n");
    EXPECT_NE(ui.messages[1].find("missing/site.bvk: "), std::string::npos);
    EXPECT_EQ(ui.messages[2], "Error en el fichero");
    EXPECT_EQ(std::tuple(Slurp(target), dir.entries()), std::tuple("previous contents\r\n", 2));
}

TEST(OpenProjectPath, ReadsTheNamedFileWithoutAskingAndAFailureKeepsTheProject) {
    TempDir dir;
    Project saved = WithOneAntenna();
    saved.PlanWidthM = 300;
    Spit(dir.file("site.bvk"), ProjectText(saved));
    Spit(dir.file("bad.bvk"), "2\r\n150\r\n100\r\n3\r\n0\r\n36\r\n");
    Project kept = WithOneAntenna();
    EXPECT_FALSE(LoadProjectFile(kept, dir.file("bad.bvk"))); // alone, it changes nothing
    EXPECT_EQ(ProjectText(kept), ProjectText(WithOneAntenna()));
    Spit(dir.file("short.bvk"), "2\r\n150\r\n");
    Spit(dir.file("block.bvk"),
         ProjectText(saved) + "\"brenvik-extension\"\r\n1\r\npopulation=kids\r\n");
    const struct {
        std::string path;
        bool read;
        std::string cause; // the message's second line after the path, "": no message
    } cases[] = {{dir.file("site.bvk"), true, ""},
                 // What was read before the error is dropped.
                 {dir.file("bad.bvk"), false, "line 5"},
                 {dir.file("block.bvk"), false, "extension block: population=kids"},
                 {dir.file("short.bvk"), false, "the file ends early, after line 2"},
                 {dir.file("missing.bvk"), false, "no such file"},
                 {dir.path().string(), false, "not a regular file"}}; // a folder
    for (const auto& c : cases) {
        Project p = WithOneAntenna();
        p.OriginLat = 12;
        p.FileName = "open.bvk";
        const std::string before = ProjectText(p);
        FakePrompts ui;
        EXPECT_EQ(OpenProjectPath(p, ui, c.path), c.read) << c.path;
        EXPECT_EQ(ui.openAsked, 0);
        if (c.read) {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(ProjectText(p), ProjectText(saved)); // nothing of the previous work survives
            continue;
        }
        EXPECT_EQ(ui.messages,
                  std::vector<std::string>{"Error en el fichero\n" + c.path + ": " + c.cause});
        EXPECT_EQ(std::tuple(ProjectText(p), p.FileName, p.OriginLat),
                  std::tuple(before, "open.bvk", 12.0));
    }
}

TEST(SaveChanges, EachAnswerAndPendingAction) {
    using A = Prompts::Answer;
    TempDir dir;
    Project p = WithOneAntenna();
    FakePrompts ui;
    p.FileName = dir.file("a.bvk");
    ui.answers = {A::Cancel, A::Yes, A::No, A::No};
    EXPECT_FALSE(AskSaveChanges(p, ui, PendingCommand::New).documentChanged);
    EXPECT_EQ(std::tuple(p.PendingAction, ui.saveAsked), std::tuple(PendingCommand::New, 0));
    // "Yes" on a named project saves in place, without asking for a path, and
    // the Open that asked goes on (its dialog is cancelled here).
    const std::string text = ProjectText(p);
    const SaveChangesOutcome yes = AskSaveChanges(p, ui, PendingCommand::Open);
    EXPECT_EQ(std::tuple(yes.saved, Slurp(dir.file("a.bvk")), ui.saveAsked, ui.openAsked),
              std::tuple(true, text, 0, 1));
    // "No" to Open, then a cancelled Open dialog: nothing happens.
    EXPECT_FALSE(AskSaveChanges(p, ui, PendingCommand::Open).documentChanged);
    EXPECT_EQ(std::tuple(ui.openAsked, ProjectText(p), p.FileName),
              std::tuple(2, text, dir.file("a.bvk")));
    EXPECT_TRUE(AskSaveChanges(p, ui, PendingCommand::New).documentChanged);
    EXPECT_EQ(std::tuple(p.Title(), p.AntennaCount), std::tuple("Brenvik 5.0 english []", 0));

    const std::pair<PendingCommand, PendingDialog> dialogs[] = {
        {PendingCommand::ScaleCalculation, PendingDialog::ScaleCalculation},
        {PendingCommand::GridSize, PendingDialog::GridSize},
        {PendingCommand::IsolineCount, PendingDialog::IsolineCount},
        {PendingCommand::Scale, PendingDialog::Scale}};
    for (auto [action, dialog] : dialogs) {
        ui.answers = {A::No, A::Cancel};
        EXPECT_EQ(AskSaveChanges(p, ui, action).dialog, dialog) << int(action);
        EXPECT_EQ(AskSaveChanges(p, ui, action).dialog, PendingDialog::None) << int(action);
    }
}
