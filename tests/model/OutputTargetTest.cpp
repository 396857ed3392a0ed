// Every output goes through one staging routine: what it refuses, what it
// keeps of the file it replaces, and how a set of outputs commits as one.

#include "TempDir.h"
#include "model/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>
#include <unistd.h>

using namespace brenvik;
using brenvik::testing::Slurp;
using brenvik::testing::Spit;
using brenvik::testing::TempDir;
namespace fs = std::filesystem;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode;
}

} // namespace

TEST(OutputTarget, EachKindOfTarget) {
    // A file holding "old" with the given mode, its path returned.
    static const auto old = [](const TempDir& d, const char* name, mode_t mode = 0644) {
        Spit(d.file(name), "old");
        ::chmod(d.file(name).c_str(), mode);
        return d.file(name);
    };
    struct Case {
        const char* what;
        // Makes the target in `dir` and returns the path written to.
        std::function<std::string(const TempDir&)> make;
        bool written;
    };
    // clang-format off
    const Case cases[] = {
        {"missing file", [](const TempDir& d) { return d.file("new.csv"); }, true},
        {"symlink", [](const TempDir& d) { fs::create_symlink(old(d, "real.csv"), d.file("l.csv"));
             return d.file("l.csv"); }, true},
        {"private file", [](const TempDir& d) { return old(d, "p.csv", 0600); }, true},
        {"255-byte name", [](const TempDir& d) { return d.file(std::string(251, 'n') + ".csv"); },
         true},
        {"read-only file", [](const TempDir& d) { return old(d, "ro.csv", 0444); }, false},
        {"folder", [](const TempDir& d) { fs::create_directory(d.file("dir.csv"));
             return d.file("dir.csv"); }, false},
        {"FIFO", [](const TempDir& d) { ::mkfifo(d.file("fifo.csv").c_str(), 0644);
             return d.file("fifo.csv"); }, false},
        // Only the superuser may make one; a null device in the test's own folder.
        {"device", [](const TempDir& d) {
             return ::mknod(d.file("null.csv").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0
                 ? std::string() : d.file("null.csv"); }, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = c.make(dir);
        if (path.empty()) continue; // not root: no device
        const std::string resolved = ResolveOutputPath(path);
        const mode_t before = ModeOf(resolved);
        const int entries = dir.entries();
        EXPECT_EQ(WriteFileAtomically(path, "new"), c.written);
        EXPECT_EQ(OutputRefusal(resolved).has_value(), !c.written);
        EXPECT_EQ(dir.entries(), entries + (c.written && before == 0 ? 1 : 0)) << "no temporary";
        if (before != 0) {
            EXPECT_EQ(ModeOf(resolved), before) << "mode and kind kept";
        }
        if (S_ISREG(before) || c.written) {
            EXPECT_EQ(Slurp(resolved), c.written ? "new" : "old") << "a link's file replaced";
        }
    }
    // Only a plain file is read back whole: not a folder, nor a device that never ends.
    EXPECT_FALSE(ReadWholeFile(TempDir().path().string()) || ReadWholeFile("/dev/null"));
}

TEST(OutputTarget, SpellingsOfOneFileResolveAlike) {
    TempDir dir;
    fs::create_directory(dir.file("a"));
    Spit(dir.file("a/x.csv"), "");
    fs::create_symlink("a/x.csv", dir.file("l.csv"));
    const std::string one = ResolveOutputPath(dir.file("a/x.csv"));
    for (const auto& other : {dir.file("./a/x.csv"), dir.file("a/../a/x.csv"), dir.file("l.csv")})
        EXPECT_EQ(ResolveOutputPath(other), one) << other;
    EXPECT_NE(ResolveOutputPath(dir.file("a/y.csv")), one);
    EXPECT_EQ(ResolveOutputPath(dir.file("a/.")), "");
}

TEST(OutputTarget, TemporariesOfAKilledRunAreRemovedAndNothingElse) {
    TempDir dir;
    // Process ids never reach nine nines, so that writer is gone.
    Spit(dir.file(".x.csv.bvtmp-999999999-3"), "left by a killed run");
    Spit(dir.file("..x.csv.bvtmp-999999999-3.bvtmp-999999999-4"), "staged for a temporary");
    // A live writer holds a lock on its temporary, whatever its process id says
    // (another PID namespace, another machine on a shared folder).
    Spit(dir.file(".x.csv.bvtmp-999999999-5"), "another live run");
    const int live = ::open(dir.file(".x.csv.bvtmp-999999999-5").c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(live, F_OFD_SETLK, &lock), 0);
    Spit(dir.file(".x.csv.bvtmp-999999999-6k"), "a backup only its journal may drop");
    Spit(dir.file(".x.csv.keep"), "the user's");
    Spit(dir.file(".x.csv.bvtmp-999999999-3.txt"), "the user's too");
    ASSERT_TRUE(WriteFileAtomically(dir.file("x.csv"), "new"));
    ::close(live);
    EXPECT_FALSE(fs::exists(dir.file(".x.csv.bvtmp-999999999-3")) ||
                 fs::exists(dir.file("..x.csv.bvtmp-999999999-3.bvtmp-999999999-4")));
    EXPECT_EQ(dir.entries(), 5);

    // A temporary that another writer replaced by its path stays claimed.
    StagedFile staged;
    ASSERT_TRUE(staged.open(dir.file("y.csv")));
    staged.release();
    ASSERT_TRUE(WriteFileAtomically(staged.temporary(), "by a library"));
    staged.relock();
    ASSERT_TRUE(WriteFileAtomically(dir.file("z.csv"), "sweeps the folder"));
    EXPECT_EQ(Slurp(staged.temporary()), "by a library");
}

TEST(OutputTarget, ASetCommitsWhollyOrRestoresWhatWasCommitted) {
    struct Case {
        int failing;     // the rename call that fails: none, the first or the second
        int rollingBack; // the rename call that fails while putting a backup back
        bool killed;     // the run dies at the failing rename instead
    };
    for (const Case c : {Case{0, 0, false}, Case{1, 0, false}, Case{2, 0, false}, Case{2, 3, false},
                         Case{2, 0, true}}) {
        SCOPED_TRACE(::testing::Message() << c.failing << c.rollingBack << c.killed);
        TempDir dir;
        Spit(dir.file("a.csv"), "old a");
        StagedFile a, b;
        ASSERT_TRUE(a.open(dir.file("a.csv")) && a.write("new a") && a.finish());
        ASSERT_TRUE(b.open(dir.file("b.csv")) && b.write("new b") && b.finish());
        int calls = 0;
        auto rename = [&](const char* from, const char* to) {
            ++calls;
            if (calls == c.failing && c.killed) throw std::runtime_error("killed");
            if (calls == c.failing || calls == c.rollingBack) {
                errno = EIO;
                return -1;
            }
            return ::rename(from, to);
        };
        std::optional<std::string> failed;
        if (c.killed)
            EXPECT_THROW(CommitTogether({&a, &b}, rename), std::runtime_error);
        else
            failed = CommitTogether({&a, &b}, rename);
        a.discard();
        b.discard();
        EXPECT_EQ(failed.has_value(), c.failing != 0 && !c.killed);
        if (c.rollingBack || c.killed) {
            // The old file survives as a backup beside the new one.
            EXPECT_EQ(Slurp(dir.file("a.csv")), "new a");
            if (c.rollingBack) {
                EXPECT_NE(failed->find("previous file is kept as"), std::string::npos) << *failed;
                EXPECT_EQ(Slurp(failed->substr(failed->rfind(' ') + 1)), "old a");
            }
            // Another user's journal is never acted on (only the superuser can
            // give one away to test it).
            const auto giveJournalTo = [&dir](uid_t user) {
                for (const auto& e : fs::directory_iterator(dir.path())) {
                    if (e.path().filename().string().starts_with(".brenvik-commit-")) {
                        ASSERT_EQ(::chown(e.path().c_str(), user, user), 0);
                    }
                }
            };
            if (c.killed && ::geteuid() == 0) {
                giveJournalTo(65534);
                StagedFile other;
                ASSERT_TRUE(other.open(dir.file("c.csv")));
                EXPECT_EQ(Slurp(dir.file("a.csv")), "new a");
                giveJournalTo(0);
            }
            // The next run in the folder puts it back before anything else.
            StagedFile next;
            ASSERT_TRUE(next.open(dir.file("c.csv")));
            next.discard();
        }
        EXPECT_EQ(Slurp(dir.file("a.csv")), c.failing ? "old a" : "new a");
        EXPECT_EQ(fs::exists(dir.file("b.csv")), c.failing == 0);
        EXPECT_EQ(dir.entries(), c.failing ? 1 : 2) << "no temporary, backup or journal left";
    }
}

TEST(OutputTarget, AnotherUsersLinkInASharedStickyFolderIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a link away needs the superuser";
    TempDir dir;
    fs::create_directory(dir.file("shared"));
    ::chmod(dir.file("shared").c_str(), 01777);
    Spit(dir.file("private.csv"), "root only");
    const std::string link = dir.file("shared/x.csv");
    fs::create_symlink(dir.file("private.csv"), link);
    for (const uid_t owner : {uid_t{65534}, uid_t{0}}) {
        ASSERT_EQ(::lchown(link.c_str(), owner, owner), 0);
        std::string why;
        EXPECT_EQ(ResolveOutputPath(link, &why).empty(), owner != 0) << owner;
        EXPECT_EQ(WriteFileAtomically(link, "new"), owner == 0) << why;
        EXPECT_EQ(Slurp(dir.file("private.csv")), owner == 0 ? "new" : "root only");
    }
}

TEST(OutputTarget, ChunksStopWhenCancelled) {
    TempDir dir;
    Spit(dir.file("t.csv"), "old");
    std::atomic<bool> cancel{false};
    int chunks = 0;
    auto produce = [&](ChunkedText& t) {
        for (int k = 0; k < 100000; ++k) {
            t.buffer().append(100, 'x');
            if (t.buffer().size() >= (1 << 20)) ++chunks;
            if (chunks == 2) cancel = true;
            if (!t.maybeFlush()) return false;
        }
        return true;
    };
    EXPECT_FALSE(WriteFileInChunks(dir.file("t.csv"), produce, &cancel));
    EXPECT_EQ(std::tuple(chunks, Slurp(dir.file("t.csv")), dir.entries()), std::tuple(2, "old", 1));
    // A file larger than the free space is refused before it is begun.
    EXPECT_FALSE(WriteFileInChunks(
        dir.file("t.csv"), [](ChunkedText&) { return true; }, nullptr, ~std::uint64_t{0}));
    EXPECT_EQ(dir.entries(), 1);
}
