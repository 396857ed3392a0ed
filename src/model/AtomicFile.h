#pragma once

#include "model/Feedback.h"

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brenvik {

// Where a file written to `path` really lands: the path is walked one folder
// at a time, a symbolic link anywhere in it is followed to what it names (a
// final link's target is replaced, the link stays), and the result is
// absolute and free of links, "." and "..", so that two spellings of one file
// give one text. Empty when the path has no file name, a folder on the way is
// missing, the links loop, or a link is refused: in a sticky folder that
// everyone may write to, only a link owned by the folder's owner or by the
// caller is followed, wherever it stands in the path (`refusal`, when given,
// then names it).
std::string ResolveOutputPath(const std::string& path, std::string* refusal = nullptr);

// The device and inode of an existing file (links followed), which tell two
// spellings of one file apart from two files even across bind mounts; no
// value when the file does not exist.
std::optional<std::pair<std::uint64_t, std::uint64_t>>
ExistingFileIdentity(const std::string& path);

// Where a resolved output path lands whether or not its file exists yet: the
// device and inode of its folder and its name. Two spellings of one folder
// (a bind mount, a link to it) give one place; no value when the folder
// cannot be looked at.
struct OutputPlace {
    std::uint64_t device = 0, inode = 0;
    std::string name;
    auto operator<=>(const OutputPlace&) const = default;
};
std::optional<OutputPlace> OutputPlaceOf(const std::string& resolved);

// Why an output at the resolved path `resolved` may not be written, or no
// value when it may: only a missing file or a plain, writable file is ever
// replaced (never a device, a named pipe, a socket or a folder, and never a
// file its owner made read-only).
std::optional<std::string> OutputRefusal(const std::string& resolved);

// Renames a whole set of finished files, all or none: the set is noted in a
// journal beside the first target, every existing target is kept under a
// backup name (a second link to it, no copy, in the temporary's private
// folder), then the temporaries are renamed one by one. Another run's set
// that lands in any of the same folders commits wholly before or after this
// one, never interleaved with it. When one rename fails the targets already replaced get their old
// files back (or go, when they had none) and the reason is returned; a backup
// that cannot be put back is kept and named in the reason, and its journal
// stays for the next run. A run killed half-way is finished or rolled back by
// the next StagedFile::open() in that folder. `rename` is the rename(2) to use
// for every rename, rollback included (tests inject failures through it).
class StagedFile;
using RenameFunction = std::function<int(const char* from, const char* to)>;
std::optional<std::string> CommitTogether(std::vector<StagedFile*> files,
                                          const RenameFunction& rename = {});

// The bytes of one output on their way to the target: they go to a temporary
// file in a private folder (mode 0700) made inside the target's folder, so
// the rename stays on one file system and whatever a library writes beside
// the temporary stays private too; the temporary replaces the target only on
// commit(). The private folder carries an advisory lock from its creation to
// the commit or removal, whatever a writer does to the temporary meanwhile,
// so another run never takes it for abandoned. Whatever was not committed is
// removed when the object goes. The temporary takes the permission bits and,
// where allowed, the owner of the file it replaces.
class StagedFile {
  public:
    StagedFile() = default;
    StagedFile(StagedFile&& o) noexcept;
    StagedFile& operator=(StagedFile&& o) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile() { discard(); }

    // Resolves and checks the target, removes what earlier, killed runs left
    // beside it (temporaries, private folders, backups, a library's side
    // files), and creates this one's temporary, open for write(). False with
    // reason() when any of it fails.
    bool open(const std::string& target);
    bool write(std::string_view bytes);
    // Closes the temporary so that another writer can fill it by its path
    // (and may replace it: the lock stays with the private folder).
    void release();
    // Gives the temporary the old file's mode and owner, then flushes it to the
    // disk and closes it: true when every byte is there.
    bool finish();
    // Renames the finished temporary onto the target and makes that durable.
    bool commit();
    // Removes the temporary unless it was committed.
    void discard();

    const std::string& target() const { return target_; }
    const std::string& temporary() const { return temporary_; }
    const std::string& reason() const { return reason_; }
    bool committed() const { return committed_; }

  private:
    friend std::optional<std::string> CommitTogether(std::vector<StagedFile*> files,
                                                     const RenameFunction& rename);
    bool fail(const std::string& why);
    // Closes the temporary and the private folder and, with `removeFolder`,
    // removes the folder and what it holds (a backup a commit journal still
    // names excepted); the target's folder stays open.
    void closeAll(bool removeFolder);
    std::string target_;
    std::string temporary_;
    std::string reason_;
    std::string privateName_; // the private folder's name in the target's folder
    std::string fileName_;    // the temporary's name in the private folder
    int fd_ = -1;
    int folderFd_ = -1;          // the target's folder, as the walk of its path found it
    int privateFd_ = -1;         // the private folder
    int lockFd_ = -1;            // holds the advisory lock that marks the private folder as in use
    std::uint64_t unsynced_ = 0; // bytes written since the disk was last asked to take them
    bool committed_ = false;
};

// A text written in chunks: the writer appends to buffer() and calls
// maybeFlush() after each record; whenever the buffer passes the chunk size it
// goes to the sink and starts again, so a large table never lives in memory
// whole. The feedback, when given, is asked at every chunk whether to stop,
// which ends a long write within a few milliseconds of a cancel, and the
// writer tells it how far it is through progress().
class ChunkedText {
  public:
    using Sink = std::function<bool(std::string_view)>;
    // Without a sink the text simply accumulates in `buffer`.
    ChunkedText(std::string& buffer, Sink sink = {}, Feedback* feedback = nullptr,
                std::size_t chunk = 1 << 20)
        : buf_(buffer), sink_(std::move(sink)), feedback_(feedback), chunk_(chunk) {}

    std::string& buffer() { return buf_; }
    bool maybeFlush() {
        if (buf_.size() < chunk_ || !sink_) return ok_;
        return flush();
    }
    // Hands what is left to the sink; false when any chunk failed or the
    // writing was cancelled.
    bool flush();
    // Tells the feedback how far the text is (0..1), at most once a chunk's
    // worth of records would be too often for a caller to care.
    void progress(double fraction, std::string_view label) {
        if (feedback_) feedback_->setProgress(fraction, label);
    }
    bool ok() const { return ok_; }
    bool cancelled() const { return cancelled_; }
    bool streams() const { return static_cast<bool>(sink_); }

  private:
    std::string& buf_;
    Sink sink_;
    Feedback* feedback_;
    std::size_t chunk_;
    bool ok_ = true;
    bool cancelled_ = false;
};

// Writes `path` through a StagedFile: `produce` fills the ChunkedText it is
// given (returning false to give up), and only a complete text replaces the
// target. `minimumSize`, a lower bound of the file's size known beforehand, is
// checked against the free space of the target's file system first, so a file
// that cannot fit is refused before anything is written.
// On failure `why`, when given, names the file and the cause ("disk full").
bool WriteFileInChunks(const std::string& path, const std::function<bool(ChunkedText&)>& produce,
                       Feedback& feedback, std::uint64_t minimumSize = 0,
                       std::string* why = nullptr);

// Replaces the file at `path` with `content` as one step (WriteFileInChunks
// with the whole text). A save that fails half-way (a full disk, a folder that
// cannot be written, a target that is not a plain file) leaves the previous
// file exactly as it was and returns false.
bool WriteFileAtomically(const std::string& path, std::string_view content,
                         std::string* why = nullptr);
// The same a megabyte at a time, stopping (false, the target untouched) once
// the feedback is canceled: a file of hundreds of megabytes reaches the disk
// in seconds.
bool WriteFileAtomically(const std::string& path, std::string_view content, Feedback& feedback,
                         std::string* why = nullptr);

// Bytes free for an ordinary user on the file system that holds the file
// `path` (or would hold it), or no value when that cannot be told.
std::optional<std::uint64_t> FreeSpaceFor(const std::string& path);

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

} // namespace brenvik
