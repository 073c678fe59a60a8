// The one way the program writes a file: the bytes go to a temporary file
// beside the target, are flushed to disk, and only then is the temporary
// renamed over the target. A failure at any step (no space, no permission, a
// folder that vanished) removes the temporary and leaves an existing target
// byte for byte as it was, so no file is ever left half written.
//
// What is not a regular file is written in place: standard output ("-"), and
// an existing device or pipe (/dev/null, a FIFO), which a rename would
// replace with a plain file. A symbolic link is followed: the file it names
// is replaced and the link stays.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace calyra {

class AtomicFile {
  public:
    // Makes the temporary beside target; on failure ok() is false and Error()
    // says why. "-", a device or a pipe is written directly (nothing to rename).
    explicit AtomicFile(std::string target);
    ~AtomicFile();  // removes the temporary unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool ok() const { return error_.empty(); }
    // "Cannot write TARGET: REASON", empty while nothing failed.
    const std::string& Error() const { return error_; }
    const std::string& Target() const { return target_; }
    // Where the bytes go until Commit (empty when written directly): for
    // writers that open a path themselves (then Stream() is not used).
    const std::string& TemporaryPath() const { return temporary_; }

    // The open temporary (or stdout), null after a failure.
    std::FILE* Stream() const { return stream_; }
    // Writes all of data; false (with Error()) on a short write.
    bool Write(std::string_view data);

    // Flushes and syncs the temporary, gives it the target's permission bits
    // (or the umask's for a new file) and closes it: everything that can fail
    // for want of space has happened, and no descriptor stays open. For a
    // writer of many files that are to appear together: seal each, then
    // commit them all. False, with Error(), when a step failed.
    bool Seal();
    // Seals the temporary if that is not done, renames it over the target and
    // syncs the folder. False, with Error(), when any step failed; the target
    // is then unchanged.
    bool Commit();
    // Gives up: removes the temporary; the target stays as it was.
    void Discard();

  private:
    void Fail(const std::string& reason);

    void OpenDirectly();

    std::string target_;
    std::string renameTo_;  // the target, or the file its link names
    std::string temporary_;
    std::FILE* stream_ = nullptr;
    bool direct_ = false;  // no temporary: standard output, a device, a pipe
    bool sealed_ = false;
    bool committed_ = false;
    std::string error_;
};

// Writes bytes to path through an AtomicFile ("-": standard output).
// Returns an empty string on success, else "Cannot write PATH: REASON".
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace calyra
