// The rules chosen in the window: the summary's verdicts follow them, the
// choice is one undo step kept in the project, and a refused file is named.

#include "MainWindowTestSupport.h"
#include "app/UndoHistory.h"
#include "app/dialogs/ComplianceDialogs.h"

#include <QListWidget>

namespace brenvik::app::testing {
namespace {

using RulesAppTest = WindowTest;

std::string SummaryText(QDialog* d) {
    auto* s = qobject_cast<SummaryDialog*>(d);
    return s ? s->text().toStdString() : std::string();
}

TEST_F(RulesAppTest, ChoosingARuleChangesTheSummarysVerdicts) {
    placeTower(30, 30);
    calculate();
    QDialog* d = open(cmd::ComplianceSummary, "summary");
    const std::string plain = SummaryText(d);
    click(d, "Command1");
    ASSERT_NE(plain.find("Salzburgo"), std::string::npos) << plain;
    ASSERT_EQ(plain.find("Italy: exposure limits"), std::string::npos);

    // A user's file with a bad field is refused, naming the rule and the field.
    QDialog* r = open(cmd::Rules, "rules");
    prompts.openPaths.push_back(write(
        "bad.json",
        R"({"format":"brenvik-rules","version":1,"rules":[{"id":"mine",)"
        R"("title":"Mine","citation":"Own","date":"2026-01-01","sum":"all","where":"nodes","quantity":"E",)"
        R"("power":"maximum","limit":{"value":-3}}]})"));
    click(r, "reglasarchivo");
    EXPECT_NE(prompts.lastMessage().find("mine"), std::string::npos) << prompts.lastMessage();
    EXPECT_NE(prompts.lastMessage().find("limit"), std::string::npos) << prompts.lastMessage();
    auto* list = control<QListWidget>(r, "listareglas");
    bool found = false;
    for (int k = 0; k < list->count(); ++k)
        if (list->item(k)->data(Qt::UserRole).toString() == "it-exposure") {
            list->item(k)->setCheckState(Qt::Checked);
            found = true;
        }
    ASSERT_TRUE(found);
    const int steps = window->history().steps();
    click(r, "Command1");
    EXPECT_EQ(project.Compliance.Rules, std::vector<std::string>{"it-exposure"});
    EXPECT_EQ(window->history().steps(), steps + 1);

    d = open(cmd::ComplianceSummary, "summary");
    const std::string judged = SummaryText(d);
    click(d, "Command1");
    // The rule's verdict takes the national notes' place.
    EXPECT_NE(judged.find("Italy: exposure limits: complies"), std::string::npos) << judged;
    EXPECT_EQ(judged.find("Salzburgo"), std::string::npos) << judged;

    trigger(cmd::Undo);
    EXPECT_TRUE(project.Compliance.Rules.empty());

    // A rules file gone since it was chosen stops the report, which names it,
    // rather than judging the site by fewer rules than asked.
    project.Compliance.Rules = {dir.filePath("gone.json").toStdString()};
    const QString pdf = dir.filePath("r.pdf");
    const auto failed = window->compliance().writeReport(pdf.toStdString());
    ASSERT_TRUE(failed.has_value());
    EXPECT_NE(failed->find("gone.json"), std::string::npos) << *failed;
    EXPECT_FALSE(QFile::exists(pdf));
}

} // namespace
} // namespace brenvik::app::testing
