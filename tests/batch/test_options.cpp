#include "BatchTestSupport.h"
#include "batch/BatchOptions.h"
#include "batch/GridDump.h"
#include "batch/Progress.h"

#include <cstdlib>
#include <iterator>
#include <sstream>
#include <tuple>

using namespace brenvik;
using namespace brenvik::batch;

namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), {}};
}

std::string bad(std::vector<std::string> args) {
    ParseResult r = ParseArguments(args);
    EXPECT_FALSE(r.options);
    return r.error;
}

} // namespace

TEST(BatchOptions, EveryOptionInAnyOrderAndBothValueForms) {
    BatchOptions o =
        batchtest::options(words("--save out.bvk --xz=40.5 site.bvk --open-angle-bts -120 "
                                 "--open-angle-dts=7 --isolines 9 --xy -0.5 --export grid-xy=g.csv "
                                 "--export=maximum-geographic=m.csv --image p.BMP --plane XZ "
                                 "--style dots --background white --size 800x600 --quiet"));
    // The angles are normalised later, as the dialog does.
    EXPECT_EQ(std::tuple(o.projectPath, o.openAngleBTS, o.openAngleDTS, o.isolines, o.xy,
                         o.xySurface, o.xyHeight, o.xzDistance, o.savePath, o.quiet),
              std::tuple("site.bvk", -120.0, 7.0, 9, true, false, -0.5, 40.5, "out.bvk", true));
    ASSERT_EQ(o.exports.size(), 2u);
    EXPECT_EQ(std::tuple(o.exports[0].kind, o.exports[1].kind, o.exports[1].path),
              std::tuple(ExportKind::GridXY, ExportKind::MaximumGeographic, "m.csv"));
    ASSERT_TRUE(o.image);
    const ImageRequest& i = *o.image;
    EXPECT_EQ(std::tuple(i.format, i.plane, i.style, i.whiteBackground, i.width, i.height),
              std::tuple(ImageFormat::Bmp, ImagePlane::XZ, 3, true, 800, 600));

    BatchOptions m =
        batchtest::options(words("a.bvk --model Far-Field --reflection=2.56 --colours Classic"));
    EXPECT_EQ(std::tuple(m.model, m.reflection, o.model, o.reflection),
              std::tuple(ExposureModel::FarField, 2.56, std::nullopt, std::nullopt));
    // Colour-blind-safe levels unless the classic ones are asked for.
    EXPECT_EQ(std::pair(m.colours, o.colours),
              std::pair(ColourScheme::Classic, ColourScheme::ColourBlindSafe));
    BatchOptions s = batchtest::options({"--xy", "Surface", "--", "--odd-name.bvk"});
    EXPECT_TRUE(s.xy && s.xySurface && s.projectPath == "--odd-name.bvk"); // "--" ends options
    // SVG and PDF always carry the decorations; PNG when asked.
    for (auto [args, format, decorated] :
         {std::tuple("a.bvk --image x.png", ImageFormat::Png, false),
          std::tuple("a.bvk --decorate --image x.PNG", ImageFormat::Png, true),
          std::tuple("a.bvk --image x.svg", ImageFormat::Svg, true),
          std::tuple("a.bvk --image x.pdf", ImageFormat::Pdf, true)}) {
        BatchOptions e = batchtest::options(words(args));
        EXPECT_EQ(std::pair(e.image->format, e.image->decorate), std::pair(format, decorated))
            << args;
    }
}

TEST(BatchOptions, UsageErrors) {
    // Each refusal names its cause: two outputs on one path would silently
    // lose one of them.
    for (auto [args, says] : {std::pair{"", "no project"},
                              {"a.bvk b.bvk", "more than one"},
                              {"a.bvk --frobnicate", "unknown option"},
                              {"a.bvk --xy", "needs a value"},
                              {"a.bvk --export grid-xy=o.csv --export grid-xz=o.csv", "same path"}})
        EXPECT_NE(bad(words(args)).find(says), std::string::npos) << args;
    // Values of the wrong form, and the image settings without an image (a
    // mistake, not a no-op).
    for (const char* args : {"--xy ground",
                             "--xy 1,5",
                             "--xz nan",
                             "--xz inf",
                             "--xz --5",
                             "--open-angle-bts 3.6deg",
                             "--isolines 7.5",
                             "--isolines +-1",
                             "--export grid-xy",
                             "--export grid-xy=",
                             "--export grid-xyz=a.csv",
                             "--image p.jpg",
                             "--image p.png --plane yz",
                             "--image p.png --style contour",
                             "--image p.png --background grey",
                             "--image p.png --size 800",
                             "--image p.png --size 0x600",
                             "--image p.png --size 800x-6",
                             "--quiet=yes",
                             "--style dots",
                             "--decorate",
                             "--image p.bmp --decorate",
                             "--image o.png --save o.png",
                             "--model iec",
                             "--reflection 2",
                             "--reflection 1x",
                             "--colours grey"})
        bad(words(std::string("a.bvk ") + args));
    bad({"a.bvk", "--isolines", ""});
    // A single-valued option given twice is refused, whichever form.
    for (const char* twice : {"--save", "--image", "--xy", "--style", "--isolines"})
        EXPECT_NE(bad({"a.bvk", "--image", "i.png", twice, "7", std::string(twice) + "=8"})
                      .find(std::string("option ") + twice + " given more than once"),
                  std::string::npos);
}

TEST(GridDump, HeaderNodeOrderAndExactValues) {
    Grid2D<double> g(2, 1);
    g(1, 0) = 0.1;                    // not exact in binary
    g(1, 1) = 5e-324;                 // the smallest subnormal
    g(2, 0) = 1.7976931348623157e308; // the largest double
    g(2, 1) = -2.5;
    std::ostringstream out;
    writeGridDump(out, g, 2, 1);
    EXPECT_EQ(out.str(), "\"i\",\"j\",\"c\"\r\n0,0,0\r\n0,1,0\r\n1,0,0.10000000000000001\r\n"
                         "1,1,4.9406564584124654e-324\r\n2,0,1.7976931348623157e+308\r\n"
                         "2,1,-2.5\r\n");
    for (double v : {0.1, 5e-324, 1.7976931348623157e308, 1.0 / 3.0, 123456.789e-9})
        EXPECT_EQ(std::strtod(FormatGridValue(v).c_str(), nullptr), v);
    EXPECT_THROW(writeGridDump(out, g, 3, 1), std::logic_error);
}

TEST(Progress, LineAndFractionCountPassesAntennasAndNodes) {
    ProgressCounts c{1, 2, 3, 4, 50, 100};
    // pass 1 of 2, antenna 3 of 4, node 50 of 100: (2 * 100 + 50) / 800.
    EXPECT_DOUBLE_EQ(progressFraction(c), 250.0 / 800.0);
    EXPECT_EQ(ProgressLine("XY", c, 8), "XY  pass 1/2  antenna 3/4  node 50/100  [##......] 31%");
    // Nothing counted yet is nothing done; more nodes than counted is all done.
    EXPECT_EQ(std::pair(progressFraction(ProgressCounts{}),
                        progressFraction(ProgressCounts{1, 1, 1, 1, 500, 100})),
              std::pair(0.0, 1.0));
}
