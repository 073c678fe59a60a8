#include "movie/file_sink.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "movie/av_handles.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace calyra::movie {
namespace {

// The size libavformat hands over in one write; the stream buffers again.
constexpr int kBufferBytes = 64 * 1024;

}  // namespace

FileSink::~FileSink() {
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

bool FileSink::Open() {
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    if (!buffer) return false;
    io_ = avio_alloc_context(buffer, kBufferBytes, 1, this, nullptr, &FileSink::Write,
                             &FileSink::Seek);
    if (!io_) {
        av_free(buffer);
        return false;
    }
    // The MP4 and WebM writers go back to fill in sizes and indexes.
    io_->seekable = AVIO_SEEKABLE_NORMAL;
    return true;
}

bool FileSink::Flush() {
    if (io_ && failure_.empty()) {
        avio_flush(io_);
        if (failure_.empty() && io_->error < 0) failure_ = AvErrorText(io_->error);
    }
    return failure_.empty();
}

int FileSink::Fail(int code) {
    if (failure_.empty()) failure_ = std::strerror(code != 0 ? code : EIO);
    return AVERROR(code != 0 ? code : EIO);
}

int FileSink::Write(void* opaque, std::uint8_t* bytes, int size) {
    auto* self = static_cast<FileSink*>(opaque);
    // Once a write failed the file is lost; later bytes would only hide why.
    if (!self->failure_.empty() || self->abandoned_) return AVERROR(EIO);
    std::FILE* stream = self->file_.Stream();
    if (!stream) return self->Fail(EBADF);
    if (size <= 0) return 0;
    errno = 0;
    if (std::fwrite(bytes, 1, static_cast<std::size_t>(size), stream) !=
        static_cast<std::size_t>(size)) {
        return self->Fail(errno);
    }
    return size;
}

std::int64_t FileSink::Seek(void* opaque, std::int64_t offset, int whence) {
    auto* self = static_cast<FileSink*>(opaque);
    if (!self->failure_.empty() || self->abandoned_) return AVERROR(EIO);
    std::FILE* stream = self->file_.Stream();
    if (!stream) return self->Fail(EBADF);
    errno = 0;
    if (whence & AVSEEK_SIZE) {
        // What the stream still buffers belongs to the size too.
        struct stat st {};
        if (std::fflush(stream) != 0 || ::fstat(::fileno(stream), &st) != 0)
            return self->Fail(errno);
        return st.st_size;
    }
    whence &= ~AVSEEK_FORCE;
    const int origin = whence == SEEK_CUR ? SEEK_CUR : whence == SEEK_END ? SEEK_END : SEEK_SET;
    if (::fseeko(stream, static_cast<off_t>(offset), origin) != 0) return self->Fail(errno);
    const off_t at = ::ftello(stream);
    if (at < 0) return self->Fail(errno);
    return at;
}

}  // namespace calyra::movie
