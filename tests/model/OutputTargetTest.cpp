// Every output goes through one staging routine: what it refuses, what it
// keeps of the file it replaces, and how a set of outputs commits as one.

#include "TempDir.h"
#include "model/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>
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

// The names in a folder.
std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        out.insert(e.path().filename().string());
    return out;
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
        ASSERT_FALSE(path.empty()) << "making a device needs the superuser";
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

TEST(OutputTarget, LeftoversOfAKilledRunAreRemovedAndNothingElse) {
    TempDir dir;
    // Process ids never reach nine nines, so that writer is gone.
    Spit(dir.file(".x.csv.bvtmp-999999999-3"), "left by a killed run");
    Spit(dir.file("..x.csv.bvtmp-999999999-3.bvtmp-999999999-4"), "staged for a temporary");
    Spit(dir.file("..x.tif.bvtmp-999999999-7.bvtmp-999999999-8.ovr.tmp"), "a library's side file");
    Spit(dir.file(".x.csv.bvtmp-999999999-6k"), "a backup no journal names");
    // A live writer holds a lock on its temporary, whatever its process id says
    // (another PID namespace, another machine on a shared folder).
    Spit(dir.file(".x.csv.bvtmp-999999999-5"), "another live run");
    Spit(dir.file(".x.csv.bvtmp-999999999-5.ovr.tmp"), "its side file");
    std::vector<int> held;
    const auto hold = [&held](const std::string& path) {
        held.push_back(::open(path.c_str(), O_RDWR));
        struct flock lock {};
        lock.l_type = F_WRLCK;
        ASSERT_EQ(::fcntl(held.back(), F_OFD_SETLK, &lock), 0) << path;
    };
    hold(dir.file(".x.csv.bvtmp-999999999-5"));
    // Private folders: one a killed run left with a library's files, one
    // still held, one keeping a backup for a commit journal, one made by a
    // run that died before it could lock it.
    const auto privateFolder = [&dir](const char* name, std::vector<std::string> files) {
        fs::create_directory(dir.file(name));
        ::chmod(dir.file(name).c_str(), 0700);
        for (const std::string& f : files) {
            if (f.back() == '/')
                fs::create_directory(dir.file(name) + "/" + f);
            else
                Spit(dir.file(name) + "/" + f, "x");
        }
    };
    privateFolder(".x.csv.bvtmp.Stale1",
                  {".bvtmp-lock", "x.tif", "x.tif.ovr.tmp", "inner/", "inner/y.gpkg-wal"});
    fs::create_symlink("/etc/hostname", dir.file(".x.csv.bvtmp.Stale1/link"));
    privateFolder(".x.csv.bvtmp.Live01", {".bvtmp-lock", "x.csv"});
    hold(dir.file(".x.csv.bvtmp.Live01/.bvtmp-lock"));
    privateFolder(".x.csv.bvtmp.Kept01", {".bvtmp-lock", ".bvtmp-backup"});
    privateFolder(".x.csv.bvtmp.Empty1", {});
    Spit(dir.file(".x.csv.keep"), "the user's");
    Spit(dir.file(".x.csv.bvtmp-999999999-3.txt"), "the user's too");
    ASSERT_TRUE(WriteFileAtomically(dir.file("x.csv"), "new"));
    for (const int fd : held)
        ::close(fd);
    EXPECT_EQ(Names(dir.path()),
              (std::set<std::string>{".x.csv.bvtmp-999999999-5", ".x.csv.bvtmp-999999999-5.ovr.tmp",
                                     ".x.csv.bvtmp.Live01", ".x.csv.bvtmp.Kept01", ".x.csv.keep",
                                     ".x.csv.bvtmp-999999999-3.txt", "x.csv"}));
    EXPECT_TRUE(fs::exists("/etc/hostname")) << "a link in a leftover is removed, not followed";

    // A temporary that another writer replaced by its path stays claimed:
    // another run's sweep leaves it alone.
    StagedFile staged;
    ASSERT_TRUE(staged.open(dir.file("y.csv")));
    staged.release();
    ASSERT_EQ(::unlink(staged.temporary().c_str()), 0);
    Spit(staged.temporary(), "by a library");
    ASSERT_TRUE(WriteFileAtomically(dir.file("z.csv"), "sweeps the folder"));
    ASSERT_TRUE(staged.finish() && staged.commit()) << staged.reason();
    EXPECT_EQ(Slurp(dir.file("y.csv")), "by a library");
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

TEST(OutputTarget, AnotherUsersLinkInASharedStickyFolderIsNotFollowedAnywhereInThePath) {
    ASSERT_EQ(::geteuid(), 0u) << "giving a link away needs the superuser";
    constexpr uid_t nobody = 65534, root = 0;
    struct Case {
        const char* what;
        const char* folder;  // where the link is planted: "shared" is sticky, "open" is not
        const char* link;    // the link's name in that folder
        const char* to;      // what it names, in the test's folder
        uid_t owner;         // the link's owner
        const char* written; // the path written, in the test's folder
        bool followed;
    };
    // clang-format off
    const Case cases[] = {
        {"file link of another user", "shared", "x.csv", "private/secret.txt", nobody, "shared/x.csv", false},
        {"file link of the caller", "shared", "x.csv", "private/secret.txt", root, "shared/x.csv", true},
        {"folder link of another user", "shared", "evil", "private", nobody, "shared/evil/secret.txt", false},
        {"folder link of the caller", "shared", "evil", "private", root, "shared/evil/secret.txt", true},
        {"reached through the caller's link", "shared", "evil", "private", nobody, "hop/evil/secret.txt", false},
        {"folder link in a folder that is not sticky", "open", "evil", "private", nobody, "open/evil/secret.txt", true},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        fs::create_directory(dir.file("private"));
        ::chmod(dir.file("private").c_str(), 0700);
        Spit(dir.file("private/secret.txt"), "root only");
        for (const auto& [folder, mode] : {std::pair{"shared", 01777}, std::pair{"open", 0777}}) {
            fs::create_directory(dir.file(folder));
            ASSERT_EQ(::chmod(dir.file(folder).c_str(), static_cast<mode_t>(mode)), 0);
        }
        fs::create_directory_symlink(dir.file("shared"), dir.file("hop"));
        const std::string link = dir.file(std::string(c.folder) + "/" + c.link);
        fs::create_symlink(dir.file(c.to), link);
        ASSERT_EQ(::lchown(link.c_str(), c.owner, c.owner), 0);
        std::string why;
        const std::string resolved = ResolveOutputPath(dir.file(c.written), &why);
        EXPECT_EQ(resolved.empty(), !c.followed) << resolved;
        std::string failed;
        EXPECT_EQ(WriteFileAtomically(dir.file(c.written), "new", &failed), c.followed) << failed;
        EXPECT_EQ(Slurp(dir.file("private/secret.txt")), c.followed ? "new" : "root only");
        if (!c.followed) {
            EXPECT_NE(why.find(link), std::string::npos) << "the refusal names the link: " << why;
            EXPECT_NE(failed.find(link), std::string::npos) << failed;
        } else {
            EXPECT_EQ(resolved, dir.file("private/secret.txt"));
            EXPECT_TRUE(fs::is_symlink(link)) << "the link stays, its target is replaced";
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("private")), {}), 1);
    }
}

TEST(OutputTarget, AJournalAcrossTwoFoldersIsSettledWhenAnotherRunReplacedOneTarget) {
    TempDir dir;
    fs::create_directory(dir.file("A"));
    fs::create_directory(dir.file("B"));
    Spit(dir.file("A/a.csv"), "old a");
    Spit(dir.file("B/b.csv"), "old b");
    StagedFile a, b, c;
    ASSERT_TRUE(a.open(dir.file("A/a.csv")) && a.write("new a") && a.finish());
    ASSERT_TRUE(b.open(dir.file("B/b.csv")) && b.write("new b") && b.finish());
    ASSERT_TRUE(c.open(dir.file("A/c.csv")) && c.write("new c") && c.finish());
    // Killed after the first two renames, before the set was marked done.
    int calls = 0;
    auto rename = [&calls](const char* from, const char* to) {
        if (++calls == 3) throw std::runtime_error("killed");
        return ::rename(from, to);
    };
    EXPECT_THROW(CommitTogether({&a, &b, &c}, rename), std::runtime_error);
    a.discard();
    b.discard();
    c.discard();
    // Another run replaces the second target, then a third writes beside the journal.
    ASSERT_TRUE(WriteFileAtomically(dir.file("B/b.csv"), "other b"));
    ASSERT_TRUE(WriteFileAtomically(dir.file("A/n.csv"), "next"));
    EXPECT_EQ(std::tuple(Slurp(dir.file("A/a.csv")), Slurp(dir.file("B/b.csv"))),
              std::tuple("old a", "other b"));
    EXPECT_EQ(Names(dir.file("A")), (std::set<std::string>{"a.csv", "n.csv"}))
        << "no journal, no backup";
    EXPECT_EQ(Names(dir.file("B")), std::set<std::string>{"b.csv"});
}

TEST(OutputTarget, ChunksStopWhenCancelled) {
    TempDir dir;
    Spit(dir.file("t.csv"), "old");
    Feedback cancel;
    int chunks = 0;
    auto produce = [&](ChunkedText& t) {
        for (int k = 0; k < 100000; ++k) {
            t.buffer().append(100, 'x');
            if (t.buffer().size() >= (1 << 20)) ++chunks;
            if (chunks == 2) cancel.cancel();
            if (!t.maybeFlush()) return false;
        }
        return true;
    };
    EXPECT_FALSE(WriteFileInChunks(dir.file("t.csv"), produce, cancel));
    EXPECT_EQ(std::tuple(chunks, Slurp(dir.file("t.csv")), dir.entries()), std::tuple(2, "old", 1));
    // A file larger than the free space is refused before it is begun.
    Feedback quiet;
    EXPECT_FALSE(WriteFileInChunks(
        dir.file("t.csv"), [](ChunkedText&) { return true; }, quiet, ~std::uint64_t{0}));
    EXPECT_EQ(dir.entries(), 1);
}
