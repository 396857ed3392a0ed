// Undo and redo through the Edit menu, one step per user action.

#include "MainWindowTestSupport.h"
#include "app/Commands.h"
#include "app/UndoHistory.h"
#include "model/ProjectFile.h"

#include <functional>
#include <sstream>

namespace brenvik::app::testing {
namespace {

using UndoTest = WindowTest;

// The stored project and the settings the file does not keep.
std::string work(const Project& p) {
    std::string text;
    EXPECT_TRUE(WriteProjectText(p, text));
    std::ostringstream extra;
    extra << p.OpenAngleBTS << ' ' << p.EllipsoidA << ' ' << p.EllipsoidB << ' ' << p.RefX << ' '
          << p.XY.Calculated;
    return text + extra.str();
}

TEST_F(UndoTest, EveryKindOfEditUndoesAndRedoesAsOneStep) {
    struct Case {
        const char* name;
        std::function<void()> act;
    };
    std::vector<Case> cases = {{"place a tower", [this] { placeTower(20, 20); }},
                               {"erase discards the result",
                                [this] {
                                    trigger(cmd::EraseButton);
                                    drag(cell(30, 30), cell(31, 30));
                                    trigger(cmd::EraseButton);
                                }},
                               {"topographic rectangle", [this] {
                                    enter(cmd::TopographicButton, "reliev", "Text1", "12");
                                    drag(cell(2, 2), cell(6, 5));
                                    trigger(cmd::TopographicButton);
                                }}};
    // Edits through one box of a dialog; those that discard the result ask first.
    const struct {
        const char *name, *command, *dialog, *box, *text;
    } edits[] = {{"grid size discards the result", cmd::GridSize, "malla", "Text1", "80"},
                 {"number of isolines", cmd::IsolineCount, "malla", "Text1", "4"},
                 {"curvature radius", cmd::Curvature, "curvatura", "Text2", "6378000"},
                 {"origin of coordinates", cmd::Origin, "cambiocoor", "Text1", "125"},
                 {"antenna parameters", cmd::AntennaParameters, "pantenas", "Text1", "12"},
                 {"scale resets the work", cmd::ScaleItem, "escal", "Text1", "250"}};
    for (const auto& e : edits)
        cases.push_back({e.name, [this, e] {
                             prompts.saveChangesAnswers = {Prompts::Answer::No};
                             enter(e.command, e.dialog, e.box, e.text);
                         }});
    // A tower on a calculated plan, as a day's work leaves it.
    placeTower(30, 30);
    calculate();
    ASSERT_EQ(project.XY.Calculated, 1);
    const double result = project.XY.Density(40, 30);
    ASSERT_GT(result, 0.0);
    const int base = window->history().steps();
    for (const Case& c : cases) {
        const std::string before = work(project);
        c.act();
        const std::string after = work(project);
        ASSERT_NE(after, before) << c.name;
        EXPECT_EQ(window->history().steps(), base + 1) << c.name;
        EXPECT_TRUE(window->item(cmd::Undo)->isEnabled()) << c.name;
        trigger(cmd::Undo);
        EXPECT_EQ(work(project), before) << c.name;
        trigger(cmd::Redo);
        EXPECT_EQ(work(project), after) << c.name;
        trigger(cmd::Undo);
        EXPECT_EQ(work(project), before) << c.name;
        EXPECT_EQ(project.XY.Density(40, 30), result) << c.name; // the result came back
    }
}

TEST_F(UndoTest, ShortcutsAndBoundedHistory) {
    // Redo's second key is added beside the command table's one.
    EXPECT_TRUE(window->item(cmd::Redo)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
    EXPECT_FALSE(window->item(cmd::Undo)->isEnabled());

    // Over the budget the oldest steps let go of what they hold; the newest
    // stays whole and undoable.
    UndoHistory& h = window->history();
    h.setByteBudget(1);
    for (int k = 0; k < 3; ++k)
        placeTower(10 + 5 * k, 10);
    EXPECT_EQ(project.AntennaCount, 3);
    EXPECT_LE(h.bytes(), 2 * sizeof(Edit) + 3 * sizeof(Antenna) * 8);
    trigger(cmd::Undo);
    EXPECT_EQ(project.AntennaCount, 2);
    EXPECT_FALSE(h.canUndo());
    trigger(cmd::Undo); // only released steps: nothing changes
    EXPECT_EQ(project.AntennaCount, 2);
}

} // namespace
} // namespace brenvik::app::testing
