#include "volume/raw_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "base/messages.h"
#include "volume/binary_reader.h"
#include "volume/file_open.h"
#include "volume/volume_store.h"

namespace calyra {

namespace {

// A side file is six short lines; past this much input it behaves as ended,
// so an endless stream (a device, a huge file) cannot stall the dialog.
constexpr std::uint64_t kSideFileLimit = std::uint64_t{64} << 20;
constexpr std::size_t kTextBuffer = std::size_t{64} << 10;

// Text files are read in text mode, as the side file says they are text.
const char* OpenMode(RawFormat format) {
    return format == RawFormat::Ascii ? "r" : "rb";
}

// printf into a string, for messages with numbers.
template <class... Args>
std::string Printed(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

// A binary file whose size differs from what the shape needs is loaded all
// the same, and the user is told: short files leave voxels at 0, long files
// leave bytes unread.
void ReportFileSize(const std::string& path, const BinaryReadResult& read) {
    if (!read.sizeKnown || read.fileBytes == read.bytesNeeded) return;
    const auto held = static_cast<unsigned long long>(read.fileBytes);
    const auto needed = static_cast<unsigned long long>(read.bytesNeeded);
    Message m;
    m.failure = false;
    m.owner = MessageOwner::RenderWindow;
    if (read.fileBytes < read.bytesNeeded) {
        m.text = Printed(
            "The file %s is shorter than its shape: it holds %llu bytes, the shape needs %llu "
            "bytes. The voxels past the end of the file stay 0.",
            path.c_str(), held, needed);
        m.icon = MessageIcon::Warning;
    } else {
        m.text = Printed(
            "The file %s is longer than its shape: it holds %llu bytes, the shape needs %llu "
            "bytes. The last %llu bytes were not read.",
            path.c_str(), held, needed, held - needed);
        m.icon = MessageIcon::Information;
    }
    ReportMessage(m);
}

void ReportUnreadable(const std::string& path) {
    ReportMessage(
        {FormatWithName(kCouldNotReadFile, path), "", MessageIcon::Warning, MessageOwner::None});
}

// Buffered character input with one character of look-ahead: Peek is getc,
// and leaving a peeked character unconsumed is ungetc. End of file is sticky.
class CharStream {
  public:
    // The buffer is filled before it is read: no need to clear it first.
    CharStream(std::FILE* file, std::size_t bufferSize, std::uint64_t limit)
        : file_(file), buffer_(new char[bufferSize]), size_(bufferSize), limit_(limit) {}

    int Peek() { return pos_ < end_ ? static_cast<unsigned char>(buffer_[pos_]) : Refill(); }
    void Consume() { ++pos_; }

  private:
    int Refill() {
        consumed_ += end_;
        pos_ = end_ = 0;
        if (ended_ || consumed_ >= limit_) return EOF;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(size_, limit_ - consumed_));
        end_ = std::fread(buffer_.get(), 1, want, file_);
        if (end_ == 0) {
            ended_ = true;
            return EOF;
        }
        return static_cast<unsigned char>(buffer_[0]);
    }

    std::FILE* file_;
    std::unique_ptr<char[]> buffer_;
    std::size_t size_;
    std::uint64_t limit_;
    std::uint64_t consumed_ = 0;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool ended_ = false;
};

// White space as the C locale's isspace sees it.
bool IsSpace(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

void SkipSpace(CharStream& in) {
    while (IsSpace(in.Peek())) in.Consume();
}

enum class Scan { Number, TooLarge, NoNumber };

// One "%d": white space, an optional sign, decimal digits. Without a digit a
// consumed sign stays consumed and the offending character stays unread. A
// number outside 32 bits is consumed whole and reported as TooLarge.
Scan ScanInt(CharStream& in, std::int32_t& value) {
    SkipSpace(in);
    int c = in.Peek();
    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        in.Consume();
        c = in.Peek();
    }
    if (!IsDigit(c)) return Scan::NoNumber;
    constexpr std::uint64_t kLargestMagnitude = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    bool tooLarge = false;
    do {
        if (!tooLarge) {
            magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
            tooLarge = magnitude > kLargestMagnitude;
        }
        in.Consume();
        c = in.Peek();
    } while (IsDigit(c));
    if (tooLarge || (!negative && magnitude == kLargestMagnitude)) return Scan::TooLarge;
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return Scan::Number;
}

// One "%c": the next character, white space included.
bool ScanChar(CharStream& in) {
    if (in.Peek() == EOF) return false;
    in.Consume();
    return true;
}

// A side-file call of the form "%c %c ... %d": `chars` characters, the first
// taken as it comes, the others after skipping white space, then a number.
// The field changes only when the whole call succeeds.
void ScanCharsThenInt(CharStream& in, int chars, std::int32_t& field) {
    if (!ScanChar(in)) return;
    for (int i = 1; i < chars; ++i) {
        SkipSpace(in);
        if (!ScanChar(in)) return;
    }
    std::int32_t value = 0;
    if (ScanInt(in, value) == Scan::Number) field = value;
}

// One "%s" compared with "ascii". Only a few characters of the word are kept:
// anything longer than five cannot match.
bool ScanWordIsAscii(CharStream& in) {
    SkipSpace(in);
    char word[6] = {};
    std::size_t length = 0;
    for (int c = in.Peek(); c != EOF && !IsSpace(c); c = in.Peek()) {
        if (length < sizeof word) word[length] = static_cast<char>(c);
        ++length;
        in.Consume();
    }
    return length == 5 && std::memcmp(word, "ascii", 5) == 0;
}

}  // namespace

int ReadInfFile(const std::string& dataPath, ImportParams& params, ImportOptions& options) {
    const std::string name = dataPath + ".inf";
    FilePtr file = OpenDataFile(name, "r");
    if (!file) {
        ReportUnreadable(name);
        return 1;
    }
    CharStream in(file.get(), 4096, kSideFileLimit);
    ScanCharsThenInt(in, 2, params.dimX);
    ScanCharsThenInt(in, 3, params.dimY);
    ScanCharsThenInt(in, 3, params.dimZ);
    const bool ascii = ScanWordIsAscii(in);
    ScanCharsThenInt(in, 1, options.bytesPerVoxel);
    ScanCharsThenInt(in, 1, options.reverseBytes);
    // Optional: a file of six lines keeps the header bytes as they were.
    ScanCharsThenInt(in, 1, options.headerBytes);
    return ascii ? 0 : 1;
}

namespace {

// dims x aspects as the size limit sees it: each product rounds to float in
// turn, left to right.
float LimitProduct(const ImportParams& params) {
    float product = static_cast<float>(params.dimX) * static_cast<float>(params.dimY);
    product = product * static_cast<float>(params.dimZ);
    product = product * params.aspectX;
    product = product * params.aspectY;
    product = product * params.aspectZ;
    return product;
}

}  // namespace

int CheckImportParameters(const ImportParams& params) {
    const float product = LimitProduct(params);
    // Written so that NaN anywhere fails.
    const bool withinLimit = product <= 27000000.0f;
    const bool dimsValid = params.dimX >= 0 && params.dimY >= 0 && params.dimZ >= 0;
    const bool aspectsValid =
        params.aspectX >= 0.0f && params.aspectY >= 0.0f && params.aspectZ >= 0.0f;
    return withinLimit && dimsValid && aspectsValid ? 1 : 0;
}

std::string ImportRefusalReason(const ImportParams& params, const ImportOptions& options,
                                RawFormat format) {
    const std::int32_t dims[3] = {params.dimX, params.dimY, params.dimZ};
    const float aspects[3] = {params.aspectX, params.aspectY, params.aspectZ};
    const char* const axes[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        if (dims[i] < 0) {
            return Printed("dimension %s %d: dimensions must be 0 or more", axes[i], dims[i]);
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (!(aspects[i] >= 0.0f)) {
            return Printed("aspect ratio factor %d of %g: aspect factors must be 0 or more", i + 1,
                           double(aspects[i]));
        }
    }
    if (!CheckImportParameters(params)) {
        const float product = LimitProduct(params);
        return Printed(
            "voxels times aspect ratio %d x %d x %d x %g x %g x %g = %.0f: the limit is "
            "27000000",
            params.dimX, params.dimY, params.dimZ, double(params.aspectX), double(params.aspectY),
            double(params.aspectZ), double(product));
    }
    if (options.headerBytes < 0) {
        return Printed("header bytes %d: must be 0 or more", options.headerBytes);
    }
    if (format == RawFormat::Binary) {
        // Binary slices are dimX x dimY voxels of one or two bytes.
        for (int i = 0; i < 2; ++i) {
            if (dims[i] < 1) {
                return Printed("dimension %s %d: binary files need X and Y of 1 or more", axes[i],
                               dims[i]);
            }
        }
        if (options.bytesPerVoxel != 1 && options.bytesPerVoxel != 2) {
            return Printed("bytes per voxel %d: binary files take 1 or 2", options.bytesPerVoxel);
        }
    }
    // A zero aspect factor lets any shape past the size limit; the store must fit.
    const std::uint64_t storeBytes = StoreBytes(params.dimX, params.dimY, params.dimZ);
    if (storeBytes > StoreBound()) {
        return Printed(
            "the store for %d x %d x %d voxels needs %llu bytes: the limit is %s (%llu bytes)",
            params.dimX, params.dimY, params.dimZ, static_cast<unsigned long long>(storeBytes),
            StoreBoundText().c_str(), static_cast<unsigned long long>(StoreBound()));
    }
    return {};
}

bool ImportParametersAccepted(const ImportParams& params, const ImportOptions& options,
                              RawFormat format) {
    return ImportRefusalReason(params, options, format).empty();
}

std::string RefusalMessage(const std::string& reason) {
    return std::string(kRefusalMessage) + "\n" + reason;
}

void ImportStartValues(const std::string& path, ImportParams& params, ImportOptions& options) {
    params.dimX = params.dimY = params.dimZ = 0;
    options.bytesPerVoxel = 1;
    options.reverseBytes = 0;
    options.headerBytes = 0;
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
    if (ec) return;
    // Exact integer cube root: the largest n with n^3 <= value (n^3 stays in 64 bits).
    const auto cubeRoot = [](std::uint64_t value) {
        std::uint64_t low = 0;
        std::uint64_t high = 2642245;  // largest n whose cube fits 64 bits
        while (low < high) {
            const std::uint64_t mid = (low + high + 1) / 2;
            if (mid * mid * mid <= value)
                low = mid;
            else
                high = mid - 1;
        }
        return low;
    };
    const auto setCube = [&](std::uint64_t value, std::int32_t bytesPerVoxel) {
        const std::uint64_t n = cubeRoot(value);
        if (n * n * n != value) return false;
        params.dimX = params.dimY = params.dimZ = static_cast<std::int32_t>(n);
        options.bytesPerVoxel = bytesPerVoxel;
        return true;
    };
    if (!setCube(bytes, 1) && bytes % 2 == 0) setCube(bytes / 2, 2);
}

std::shared_ptr<VolumeStore> LoadRawVolume(const std::string& path, RawFormat format,
                                           const ImportParams& params, const ImportOptions& options,
                                           const VolumeStore& previous) {
    // Checked before a store is made: an unreadable file changes nothing.
    if (!OpenDataFile(path, OpenMode(format))) {
        ReportUnreadable(path);
        return nullptr;
    }
    std::shared_ptr<VolumeStore> store = NewStoreAfter(previous);
    if (!AllocateVolume(*store, params.dimX, params.dimY, params.dimZ)) {
        ReportAllocationFailure();
        return nullptr;
    }
    ReadRawVolume(*store, path, format, params, options);
    return store;
}

namespace {

// True when every index the reader writes lies inside the allocated store.
bool FitsStore(const VolumeStore& v, const ImportParams& p) {
    const bool nonNegative = p.dimX >= 0 && p.dimY >= 0 && p.dimZ >= 0;
    const bool empty = p.dimX == 0 || p.dimY == 0 || p.dimZ == 0;
    return nonNegative && p.dimX <= v.allocated.x && p.dimY <= v.allocated.y &&
           p.dimZ <= v.allocated.z && (v.voxels != nullptr || empty);
}

// ASCII voxels, z fastest, one "%d" each. A failed read repeats the last value.
void ReadAsciiVoxels(VolumeStore& v, std::FILE* file, const ImportParams& p) {
    CharStream in(file, kTextBuffer, UINT64_MAX);
    std::uint32_t last = 0;
    std::uint32_t largest = 0;
    // Once a read fails at a character no later read can get past, every
    // remaining voxel repeats the last value.
    bool stuck = false;
    for (std::int32_t x = 1; x <= p.dimX; ++x) {
        for (std::int32_t y = 1; y <= p.dimY; ++y) {
            std::uint8_t* row = v.voxels[x][y];
            std::int32_t z = 1;
            for (; z <= p.dimZ && !stuck; ++z) {
                std::int32_t value = 0;
                const Scan result = ScanInt(in, value);
                if (result == Scan::Number) {
                    // Magnitude as unsigned, so that INT_MIN is fine.
                    const auto u = static_cast<std::uint32_t>(value);
                    last = value < 0 ? 0u - u : u;
                    largest = std::max(largest, last);
                } else if (result == Scan::NoNumber) {
                    const int c = in.Peek();
                    stuck = c == EOF || !(IsSpace(c) || c == '+' || c == '-');
                }
                row[z] = static_cast<std::uint8_t>(last);
            }
            if (z <= p.dimZ) {
                std::memset(row + z, static_cast<std::uint8_t>(last), std::size_t(p.dimZ - z + 1));
            }
        }
    }
    v.maxValue = largest;
}

}  // namespace

void ReadRawVolume(VolumeStore& v, const std::string& path, RawFormat format,
                   const ImportParams& params, const ImportOptions& options) {
    SetBusy(true);
    v.maxValue = 0;
    // Every import shows the volume as it is: no fold along z.
    v.mirrorZ = 0;

    FilePtr file = OpenDataFile(path, OpenMode(format));
    if (!file) ReportUnreadable(path);
    // After a failed open, or for dims the store was not allocated for, the
    // volume is shown blank.
    if (!file || !FitsStore(v, params)) {
        v.dims = Int3{};
        SetBusy(false);
        return;
    }

    PublishShape(v, params.dimX, params.dimY, params.dimZ, params.dimX);
    if (format == RawFormat::Ascii) {
        v.size = 128;
        v.mirrorZ = 0;
        ReadAsciiVoxels(v, file.get(), params);
        // An ASCII file's fine values are its stored low bytes, as the store's are.
        FineFromBytes(v);
    } else {
        const BinaryReadResult read = ReadBinaryVoxels(v, file.get(), params, options);
        // One byte a voxel: the fine values are the stored bytes'; two bytes
        // set their own as they are read.
        if (options.bytesPerVoxel == 1) FineFromBytes(v);
        ReportFileSize(path, read);
    }
    // The shape went out before the voxels were filled.
    MarkVolumeChanged(v);
    file.reset();
    SetBusy(false);
}

}  // namespace calyra
