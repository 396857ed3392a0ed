#include "app/CommandBar.h"
#include "app/Commands.h"
#include "app/ComplianceFlows.h"
#include "app/PlanView.h"
#include "app/ToolBench.h"
#include "app/WindowParts.h"

#include <QAction>
#include <algorithm>
#include <cstring>

namespace brenvik::app {

void AddComplianceCommands(std::vector<Command>& t) {
    using W = WindowParts;
    using P = Place;
    const auto after = [&t](const char* anchor, std::vector<Command> rows) {
        auto at = std::find_if(t.begin(), t.end(),
                               [anchor](const Command& c) { return !std::strcmp(c.name, anchor); });
        t.insert(at == t.end() ? at : at + 1, rows.begin(), rows.end());
    };
    after(cmd::PrintImage, {{cmd::Report, "Report...", P::File, [](W& w) {
                                 w.tools.reset();
                                 w.compliance.report();
                             }}});
    after(cmd::XZPlane, {{cmd::PercentOfLimit,
                          "Show % of limit",
                          P::View,
                          [](W& w) {
                              QAction* a = w.bar.item(cmd::PercentOfLimit);
                              if (!a || !a->isChecked()) {
                                  w.compliance.setPercentShown(false);
                                  w.view.redraw();
                                  return;
                              }
                              // Shown only once the ratio is current.
                              a->setChecked(false);
                              w.compliance.withCurrentRatio([&w, a] {
                                  a->setChecked(true);
                                  w.compliance.setPercentShown(true);
                                  w.view.redraw();
                              });
                          },
                          {},
                          {},
                          "seplimite"},
                         {cmd::ShowBoundaries, "Show compliance boundaries", P::View, [](W& w) {
                              const QAction* a = w.bar.item(cmd::ShowBoundaries);
                              w.compliance.setBoundariesShown(a && a->isChecked());
                              w.view.redraw();
                          }}});
    after(cmd::EraseItem, {{cmd::ImportSites,
                            "Import sites...",
                            P::Antenna,
                            [](W& w) {
                                w.view.ensurePlan();
                                w.tools.reset();
                                w.compliance.importSites();
                            },
                            {},
                            {},
                            "sepsitios"},
                           {cmd::ExportSites, "Export sites...", P::Antenna, [](W& w) {
                                w.tools.reset();
                                w.compliance.exportSites();
                            }}});
    after(cmd::GisExport, {{cmd::ComplianceSettings,
                            "Compliance...",
                            P::Options,
                            [](W& w) {
                                w.tools.reset();
                                w.compliance.settings();
                            },
                            {},
                            {},
                            "sepcumpl"},
                           {cmd::Rules, "Rules...", P::Options,
                            [](W& w) {
                                w.tools.reset();
                                w.compliance.rules();
                            }},
                           {cmd::ComplianceSummary, "Compliance summary...", P::Options, [](W& w) {
                                w.tools.reset();
                                w.compliance.summary();
                            }}});
}

} // namespace brenvik::app
