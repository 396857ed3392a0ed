#pragma once

#include "compliance/Places.h"
#include "compliance/RuleVerdicts.h"
#include "compliance/Summary.h"
#include "compliance/Units.h"
#include "render/Colour.h"
#include "render/Surface.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brenvik::compliance {

// The bands the report's pictures show the exposure ratio in, in % of the
// limit, and their colours (below the first band nothing is painted).
const std::vector<double>& PercentLevels(); // 1, 5, 10, 20, 50, 100
render::Rgb BandColour(int band);           // band k: from level k (0-based) upward
// The band of a value in %, or -1 below the first level.
int BandOf(double percent);
// The levels a picture whose maximum is `maxPercent` is banded at: the ones
// above when anything reaches 1 %, else the same steps scaled down by powers
// of ten so that a weak result still shows its shape (its top band then
// stays below the red of the limit).
std::vector<double> BandLevels(double maxPercent);
int BandOf(double percent, const std::vector<double>& levels);

// The program's name and version as the report states it.
std::string ProgramVersion();

struct ReportInput {
    const Project* project = nullptr;
    Summary summary;
    std::string projectFile;           // as the user named it
    std::string date;                  // e.g. "2026-12-06 16:20"
    Unit unit = Unit::MicroWattPerCm2; // the densities of the maxima
    // The buildings and places of the project, evaluated (the pages of
    // real places follow when there are any).
    std::vector<BuildingValue> buildings{};
    std::vector<PlaceValue> places{};
    // The rules the site is judged by, each with its verdict. With any, the
    // library's flat national values give way to them in the verdicts, and
    // each rule has pages of its own after the others.
    std::vector<RuleVerdict> rules{};
    // Pages another part of the program adds after all these (the field
    // measurements), each drawn inside the pages' common header and footer.
    std::vector<std::function<void(render::Surface&)>> laterPages{};
};

// The pages of the compliance report, laid out on landscape A4 pages: each
// page is one drawing area (15360 x 10560 drawing units) fitted to the page.
// Page 1: the verdicts, the maxima and the plan picture in % of the limit;
// then the compliance summary and the antennas; the method (model, formula,
// patterns, grid, antenna positions and boundaries, site and assessor); and,
// when the section is calculated, the section picture, or a page saying that
// there is no current section result and why. Every page carries
// the project file, the date, the standard and population and the
// calculation height.
class ReportLayout {
  public:
    explicit ReportLayout(ReportInput in);
    int pageCount() const;
    void drawPage(int page, render::Surface& s) const;

    // The texts the report states, for a dialog or a test: each standard's
    // verdict, each rule's, then the worst building, floor and place when
    // there are any.
    std::vector<std::string> verdictLines() const;
    std::string maximumLine() const;
    // The worst building with its floor and the worst place, by % of the
    // limit: "Worst building: School (way/1), floor 2: 3.5 % of the limit;
    // worst place: Crèche: 0.42 %". Empty without buildings and places.
    std::string realPlacesLine() const;
    // True when no building floor and no place is above the limit.
    bool realPlacesComply() const;

    // The plan's verdict, the section's, and the lines that explain them
    // (the boundaries a plane crosses, the model's blind spots).
    std::string planVerdictLine() const;
    std::optional<std::string> sectionVerdictLine() const;
    // With the program's beam model, whose verdicts are indicative: the
    // far-field model's verdict on the very same section, the one to sign
    // ("To sign: far-field model, section at y = 50.42 m: complies ..."),
    // or why there is none. Nothing for a far-field project or a section
    // without a current ratio.
    std::optional<std::string> signedSectionVerdictLine() const;
    std::vector<std::string> methodLines() const;

  private:
    enum class PageKind { Plan, Table, Method, Section, RealPlaces, Rule, Later };
    struct Page {
        PageKind kind;
        int index;    // the part of a table the page shows
        int rule = 0; // the rule of a rule's page
    };
    void header(int page, render::Surface& s) const;
    void planPage(render::Surface& s) const;
    double planVerdicts(render::Surface& s) const; // the y below them
    void planMaxima(render::Surface& s, double x, double y) const;
    void tablePage(int index, render::Surface& s) const;
    void methodPage(int index, render::Surface& s) const;
    void sectionPage(render::Surface& s) const;
    std::vector<double> limits() const;
    void signSection();
    int realPlacesPageCount() const;
    void realPlacesPage(int index, render::Surface& s) const;
    int rulePageCount(int rule) const;
    void rulePage(int rule, int index, render::Surface& s) const;
    ReportInput in_;
    std::vector<Page> pages_;
    // The far-field model's verdict on the section and whether it complies.
    struct SignedSection {
        std::string line;
        bool complies = false;
    };
    std::optional<SignedSection> signed_;
    // The adaptive antennas' envelopes, made once for every page.
    std::shared_ptr<antenna::EnvelopeCache> envelopes_ = std::make_shared<antenna::EnvelopeCache>();
};

} // namespace brenvik::compliance
