#include "app/DominantView.h"

#include "app/OperationRunner.h"
#include "app/ResultState.h"
#include "app/WindowParts.h"
#include "model/Messages.h"
#include "model/Prompts.h"
#include "render/Palette.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPixmap>
#include <QVBoxLayout>
#include <memory>

namespace brenvik::app {

namespace {

QRgb Colour(render::Rgb c) {
    return qRgb(c.r, c.g, c.b);
}

// Each node of the view scaled up so that a coarse grid still reads.
constexpr int PixelsPerNode = 4;

} // namespace

DominantAntennaWindow::DominantAntennaWindow(const Project& p, compliance::Contributions c,
                                             QWidget* parent)
    : QDialog(parent), c_(std::move(c)) {
    setObjectName("dominantAntenna");
    setWindowTitle("Dominant antenna");
    setAttribute(Qt::WA_DeleteOnClose);
    const int count = std::min<int>(p.AntennaCount, p.AntennaSlotBound());
    // A colour per antenna along the density ramp by its number.
    std::vector<double> numbers;
    for (int s = 1; s <= count; ++s)
        numbers.push_back(s);
    const std::vector<render::Rgb> ramp = render::LevelColours(numbers);
    colours_.push_back(qRgb(255, 255, 255));
    names_.push_back("nothing radiates");
    for (int s = 1; s <= count; ++s) {
        colours_.push_back(Colour(ramp[static_cast<std::size_t>(s - 1)]));
        names_.push_back(QString::fromStdString(compliance::DominantName(p, s)));
    }
    view_ = new QComboBox(this);
    view_->setObjectName("dominantView");
    view_->addItem("Dominant antenna");
    for (const std::string& op : c_.operators)
        view_->addItem(QString::fromStdString("Share of operator " + (op.empty() ? "(none)" : op)));
    map_ = new QLabel(this);
    map_->setObjectName("dominantMap");
    legend_ = new QListWidget(this);
    legend_->setObjectName("dominantLegend");
    auto* row = new QHBoxLayout;
    row->addWidget(map_);
    row->addWidget(legend_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(view_);
    column->addLayout(row);
    connect(view_, &QComboBox::currentIndexChanged, this, [this](int v) { showView(v); });
    showView(0);
}

QRgb DominantAntennaWindow::antennaColour(int slot) const {
    return slot >= 0 && slot < static_cast<int>(colours_.size())
               ? colours_[static_cast<std::size_t>(slot)]
               : colours_.front();
}

void DominantAntennaWindow::showView(int view) {
    const Grid2D<double>& d = c_.dominant;
    const int nx = d.nx(), ny = d.ny();
    picture_ = QImage(std::max(nx, 1), std::max(ny, 1), QImage::Format_RGB32);
    picture_.fill(Qt::white);
    legend_->clear();
    for (int i = 1; i <= nx; ++i)
        for (int j = 1; j <= ny; ++j) {
            if (view == 0) {
                picture_.setPixel(i - 1, j - 1, antennaColour(static_cast<int>(d(i, j))));
                continue;
            }
            double total = 0.0;
            for (const Grid2D<double>& g : c_.density)
                total += g(i, j);
            const double own = c_.density[static_cast<std::size_t>(view - 1)](i, j);
            if (total > 0.0)
                picture_.setPixel(i - 1, j - 1, Colour(render::DensityRamp(own / total)));
        }
    if (view == 0) {
        for (std::size_t s = 0; s < names_.size(); ++s) {
            QPixmap swatch(12, 12);
            swatch.fill(QColor(colours_[s]));
            legend_->addItem(new QListWidgetItem(QIcon(swatch), names_[s]));
        }
    } else {
        for (int k = 0; k <= 10; k += 5) {
            QPixmap swatch(12, 12);
            swatch.fill(QColor(Colour(render::DensityRamp(k / 10.0))));
            legend_->addItem(
                new QListWidgetItem(QIcon(swatch), QString("%1 % of the total").arg(k * 10)));
        }
    }
    map_->setPixmap(QPixmap::fromImage(
        picture_.scaled(picture_.width() * PixelsPerNode, picture_.height() * PixelsPerNode)));
}

void ShowDominantAntenna(WindowParts& w) {
    w.results.whenCurrent([&w] {
        if (!w.project.XY.Calculated) {
            w.prompts.message(msg::NoResult);
            return;
        }
        auto c = std::make_shared<std::optional<compliance::Contributions>>();
        const Project& p = w.project;
        const auto failed = RunOperation(&w.window, "Dominant antenna",
                                         [&p, c](Feedback& fb) -> std::optional<std::string> {
                                             std::string why;
                                             *c = compliance::ComputeContributions(p, &fb, why);
                                             if (fb.isCanceled())
                                                 return std::string(msg::Interrupted);
                                             if (!*c) return why;
                                             return std::nullopt;
                                         });
        if (failed) {
            if (*failed != msg::Interrupted) w.prompts.message(*failed);
            return;
        }
        auto* view = new DominantAntennaWindow(p, std::move(**c), &w.window);
        view->show();
    });
}

} // namespace brenvik::app
