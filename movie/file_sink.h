// Where libavformat's bytes go: an AVIOContext whose writes and seeks land in
// an AtomicFile's stream. A failing write (a full disk) is then our own
// fwrite's errno, and the bytes reach the target only through Commit.
#pragma once

#include <string>

#include "base/file_writer.h"

struct AVIOContext;

namespace calyra::movie {

class FileSink {
  public:
    explicit FileSink(AtomicFile& file) : file_(file) {}
    ~FileSink();
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // Makes the AVIOContext; false when there is no memory for it.
    bool Open();
    AVIOContext* Context() const { return io_; }
    // Hands the context's buffered bytes to the stream; false (with Failure)
    // when a write failed now or before.
    bool Flush();
    // From now on writes and seeks fail without touching the file: for a
    // movie given up, whose writer still has to be taken down.
    void Abandon() { abandoned_ = true; }
    // The errno text of the first write or seek that failed, "" while none did.
    const std::string& Failure() const { return failure_; }

  private:
    static int Write(void* opaque, std::uint8_t* bytes, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);
    int Fail(int code);

    AtomicFile& file_;
    AVIOContext* io_ = nullptr;
    std::string failure_;
    bool abandoned_ = false;
};

}  // namespace calyra::movie
