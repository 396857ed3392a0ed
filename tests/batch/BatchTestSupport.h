#pragma once

// Shared by the batch tests: sites built with the program's own operations, a
// scratch folder per test, and the built program run as a script runs it.

#include "batch/BatchOptions.h"
#include "calc/GridCalc.h"
#include "model/Project.h"
#include "model/ProjectFile.h"
#include "tools/Sites.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace batchtest {

namespace fs = std::filesystem;

inline brenvik::Project makeSite(int gridNX, int towers, double planWidthM = 300.0) {
    return batchsites::spreadSite(gridNX, towers, planWidthM);
}

// Options a test means to be accepted.
inline brenvik::batch::BatchOptions options(std::vector<std::string> args) {
    brenvik::batch::ParseResult r = brenvik::batch::parseArguments(args);
    EXPECT_TRUE(r.options) << r.error;
    return r.options.value_or(brenvik::batch::BatchOptions{});
}

inline void writeSite(const brenvik::Project& p, const fs::path& path) {
    ASSERT_TRUE(brenvik::SaveProjectFile(p, path.string()));
}

inline std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fresh folder for the test, removed afterwards.
class ScratchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / (std::string("brenvik-batch-") + info->test_suite_name() +
                                           "-" + info->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir))
            out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
    std::string at(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

} // namespace batchtest
