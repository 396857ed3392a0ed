#pragma once

// Shared by the batch tests: sites built with the program's own operations, a
// scratch folder per test, and the built program run as a script runs it.

#include "../model/TempDir.h"
#include "batch/BatchOptions.h"
#include "calc/GridCalc.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "tools/Sites.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace batchtest {

namespace fs = std::filesystem;

inline brenvik::Project MakeSite(int gridNX, int towers, double planWidthM = 300.0) {
    return batchsites::SpreadSite(gridNX, towers, planWidthM);
}

// Options a test means to be accepted.
inline brenvik::batch::BatchOptions options(std::vector<std::string> args) {
    brenvik::batch::ParseResult r = brenvik::batch::ParseArguments(args);
    EXPECT_TRUE(r.options) << r.error;
    return r.options.value_or(brenvik::batch::BatchOptions{});
}

inline void writeSite(const brenvik::Project& p, const fs::path& path) {
    ASSERT_TRUE(brenvik::SaveProjectFile(p, path.string()));
}

inline std::string slurp(const fs::path& path) {
    return brenvik::testing::Slurp(path);
}

// A fresh folder for the test, removed afterwards.
class ScratchTest : public ::testing::Test {
  protected:
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir))
            out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string at(const std::string& name) const { return (dir / name).string(); }
    // The built program through the shell, with the scratch folder as the
    // configuration folder (no limits file of the user's own takes part
    // unless a test puts one there); its standard output and error land in
    // `out` and `err`.
    int sh(const std::string& args) {
        const std::string cmd = "XDG_CONFIG_HOME=" + dir.string() + " " + BRENVIK_BATCH_EXE + " " +
                                args + " >" + at(".out") + " 2>" + at(".err");
        const int st = std::system(cmd.c_str());
        out = slurp(dir / ".out"), err = slurp(dir / ".err");
        fs::remove(dir / ".out"), fs::remove(dir / ".err");
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    brenvik::testing::TempDir scratch;
    const fs::path dir = scratch.path();
    std::string out, err;
};

// A PDF's text as pdftotext reads it; a failure of the test, naming the
// package to install, when the tool is not there.
inline std::optional<std::string> PdfText(const fs::path& pdf) {
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) {
        ADD_FAILURE() << "pdftotext is not installed: install the Debian package poppler-utils";
        return std::nullopt;
    }
    const fs::path txt = pdf.string() + ".txt";
    EXPECT_EQ(std::system(("pdftotext " + pdf.string() + " " + txt.string()).c_str()), 0);
    return slurp(txt);
}

// A grid dump (a header naming `value`, then one i,j,value line per node) as a grid.
inline brenvik::Grid2D<double> ReadDump(const fs::path& path, int nx, int ny,
                                        const std::string& value = "c") {
    brenvik::Grid2D<double> g(nx, ny);
    std::istringstream in(slurp(path));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "\"i\",\"j\",\"" + value + "\"\r");
    int i = 0, j = 0;
    char comma = 0;
    double c = 0;
    std::size_t nodes = 0;
    for (; in >> i >> comma >> j >> comma >> c; ++nodes)
        g(i, j) = c;
    EXPECT_EQ(nodes, g.size()) << path;
    return g;
}

} // namespace batchtest
