#include "model/InputFile.h"

#include "TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace brenvik {
namespace {

using testing::TempDir;

// Each kind of path a user may name as input: only the plain file is read,
// and nothing that is not one blocks or fills memory.
TEST(InputFile, OnlyPlainFilesAreReadAndNothingBlocks) {
    TempDir dir;
    const std::string plain = dir.file("plain.csv");
    std::ofstream(plain) << "name,x_m\nA,1\n";
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string path;
        bool readable;
    };
    for (const Case& c :
         {Case{plain, true}, Case{fifo, false}, Case{"/dev/zero", false},
          Case{dir.path().string(), false}, Case{dir.file("missing"), false}, Case{"", false}}) {
        SCOPED_TRACE(c.path);
        std::string text;
        EXPECT_EQ(!ReadInputFile(c.path, 1 << 20, text).has_value(), c.readable);
        EXPECT_EQ(!InputFileRefusal(c.path).has_value(), c.readable);
        if (c.readable) {
            EXPECT_EQ(text, "name,x_m\nA,1\n");
        }
    }
    std::string text;
    const auto big = ReadInputFile(plain, 4, text);
    ASSERT_TRUE(big.has_value());
    EXPECT_NE(big->find("larger than 4 bytes"), std::string::npos);
}

TEST(InputFile, QuotedFieldsAreCutOnACharacterBoundary) {
    EXPECT_EQ(QuoteCut("short"), "short");
    EXPECT_EQ(QuoteCut(std::string(5'000'000, 'x')), std::string(80, 'x') + "\xE2\x80\xA6");
    // "é" is two bytes: a cut inside it backs up to before it.
    EXPECT_EQ(QuoteCut("ab\xC3\xA9", 3), "ab\xE2\x80\xA6");
}

} // namespace
} // namespace brenvik
