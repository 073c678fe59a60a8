// Multi-page TIFF stacks through libtiff: one page per slice, every page
// the same size and type; spacing is always 1 1 1.
#include <tiffio.h>

#include <cstring>
#include <memory>
#include <vector>

#include "formats/readers.h"

namespace calyra::formats {
namespace {

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};

struct PageShape {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0, format = SAMPLEFORMAT_UINT;
    bool operator==(const PageShape&) const = default;
};

// Reduced-resolution copies (thumbnails) are not slices.
bool IsThumbnail(TIFF* tif) {
    std::uint32_t subfile = 0;
    return TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &subfile) && (subfile & FILETYPE_REDUCEDIMAGE);
}

PageShape ReadPageShape(TIFF* tif, int page) {
    PageShape s;
    std::uint16_t samples = 1, photometric = PHOTOMETRIC_MINISBLACK;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &s.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &s.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &s.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &s.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    const std::string where = "page " + std::to_string(page + 1);
    if (samples != 1 || photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_PALETTE ||
        photometric == PHOTOMETRIC_YCBCR || photometric == PHOTOMETRIC_SEPARATED) {
        throw FormatError(where + " holds colour or several samples per pixel");
    }
    const bool integer = s.format == SAMPLEFORMAT_UINT || s.format == SAMPLEFORMAT_INT;
    const bool usable =
        (integer && (s.bits == 1 || s.bits == 8 || s.bits == 16 || s.bits == 32 || s.bits == 64)) ||
        (s.format == SAMPLEFORMAT_IEEEFP && (s.bits == 32 || s.bits == 64));
    if (!usable || (s.bits == 1 && s.format != SAMPLEFORMAT_UINT)) {
        throw FormatError(where + " has " + std::to_string(s.bits) + "-bit samples of format " +
                          std::to_string(s.format) + ", which are not supported");
    }
    if (s.width == 0 || s.height == 0) throw FormatError(where + " is empty");
    return s;
}

SampleType TypeOf(const PageShape& s) {
    if (s.format == SAMPLEFORMAT_IEEEFP) return s.bits == 32 ? SampleType::F32 : SampleType::F64;
    const bool sign = s.format == SAMPLEFORMAT_INT;
    switch (s.bits) {
        case 1:
        case 8:
            return sign ? SampleType::I8 : SampleType::U8;
        case 16:
            return sign ? SampleType::I16 : SampleType::U16;
        case 32:
            return sign ? SampleType::I32 : SampleType::U32;
        default:
            return sign ? SampleType::I64 : SampleType::U64;
    }
}

// Reads the current page as rows of packed samples into out (rowBytes x
// height). supply: the most bytes the file's data can decode to.
void ReadPage(TIFF* tif, const PageShape& s, std::size_t rowBytes, std::uint8_t* out, int page,
              std::uint64_t supply) {
    const auto fail = [page] {
        return FormatError("the data of page " + std::to_string(page + 1) +
                           " cannot be read (the file may be truncated or damaged)");
    };
    if (TIFFIsTiled(tif)) {
        std::uint32_t tw = 0, th = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
        const tmsize_t tileBytes = TIFFTileSize(tif);
        const tmsize_t tileRow = TIFFTileRowSize(tif);
        if (tw == 0 || th == 0 || tileBytes <= 0 || tileRow <= 0) throw fail();
        // A tile may reach past the page, but never past what the file holds:
        // 65536 x 65536 tiles in a file of a few bytes would cost 4 GiB here.
        if (std::uint64_t(tileBytes) > supply) {
            throw FormatError("its tiles of " + std::to_string(tw) + " x " + std::to_string(th) +
                              " are larger than the file could hold");
        }
        std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileBytes));
        const std::size_t bitsPerSample = s.bits;
        for (std::uint32_t y = 0; y < s.height; y += th) {
            for (std::uint32_t x = 0; x < s.width; x += tw) {
                if (TIFFReadTile(tif, tile.data(), x, y, 0, 0) < 0) throw fail();
                const std::uint32_t rows = std::min(th, s.height - y);
                const std::uint32_t cols = std::min(tw, s.width - x);
                // Whole bytes only: 1-bit tiles are multiples of 8 wide.
                const std::size_t first = x * bitsPerSample / 8;
                const std::size_t bytes = (std::size_t(cols) * bitsPerSample + 7) / 8;
                for (std::uint32_t r = 0; r < rows; ++r) {
                    std::memcpy(out + (y + r) * rowBytes + first,
                                tile.data() + r * std::size_t(tileRow), bytes);
                }
            }
        }
        return;
    }
    const tmsize_t stripBytes = TIFFStripSize(tif);
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::min(std::max<std::uint32_t>(rowsPerStrip, 1), s.height);
    if (stripBytes <= 0) throw fail();
    std::vector<std::uint8_t> strip(static_cast<std::size_t>(stripBytes));
    for (std::uint32_t y = 0; y < s.height; y += rowsPerStrip) {
        const tstrip_t n = TIFFComputeStrip(tif, y, 0);
        const std::uint32_t rows = std::min(rowsPerStrip, s.height - y);
        const tmsize_t want = static_cast<tmsize_t>(rows * rowBytes);
        if (TIFFReadEncodedStrip(tif, n, strip.data(), stripBytes) < want) throw fail();
        std::memcpy(out + y * rowBytes, strip.data(), std::size_t(want));
    }
}

// 1-bit rows (most significant bit first) to one sample of 0 or 1 each.
void UnpackBits(const std::uint8_t* packed, std::size_t rowBytes, const PageShape& s,
                std::uint8_t* out) {
    for (std::uint32_t y = 0; y < s.height; ++y) {
        const std::uint8_t* row = packed + y * rowBytes;
        for (std::uint32_t x = 0; x < s.width; ++x) {
            *out++ = (row[x / 8] >> (7 - x % 8)) & 1;
        }
    }
}

}  // namespace

SourceVolume ReadTiff(const std::string& path, bool resample) {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    const std::uint64_t fileBytes = RegularFileBytes(path, "the file");
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFOpen(path.c_str(), "r"));
    if (!tif) throw FormatError("it is not a readable TIFF file");

    // First pass over the directories: every slice page must match the first.
    std::vector<tdir_t> pages;
    PageShape shape;
    bool compressed = false;
    for (tdir_t d = 0;; ++d) {
        if (!IsThumbnail(tif.get())) {
            const PageShape s = ReadPageShape(tif.get(), int(pages.size()));
            if (pages.empty()) {
                shape = s;
            } else if (!(s == shape)) {
                throw FormatError("its pages differ: page " + std::to_string(pages.size() + 1) +
                                  " is " + std::to_string(s.width) + " x " +
                                  std::to_string(s.height) + ", " + std::to_string(s.bits) +
                                  "-bit; page 1 is " + std::to_string(shape.width) + " x " +
                                  std::to_string(shape.height) + ", " + std::to_string(shape.bits) +
                                  "-bit");
            }
            std::uint16_t compression = COMPRESSION_NONE;
            TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
            compressed = compressed || compression != COMPRESSION_NONE;
            pages.push_back(d);
        }
        if (!TIFFReadDirectory(tif.get())) break;
    }
    if (pages.empty()) throw FormatError("it holds no image page");

    SourceVolume v;
    v.dims[0] = shape.width;
    v.dims[1] = shape.height;
    v.dims[2] = static_cast<std::int64_t>(pages.size());
    v.type = TypeOf(shape);
    v.binary = shape.bits == 1;
    // 1-bit data take eight samples per byte in the file.
    ReserveSamples(v, resample, shape.bits == 1 ? fileBytes * 8 : fileBytes, compressed);
    const std::uint64_t supply = compressed && fileBytes <= UINT64_MAX / kMaxDeflateRatio
                                     ? fileBytes * kMaxDeflateRatio
                                     : fileBytes;

    const std::size_t rowBytes = (std::size_t(shape.width) * shape.bits + 7) / 8;
    const std::size_t sliceBytes = v.SliceCount() * SampleBytes(v.type);
    std::vector<std::uint8_t> packed(shape.bits == 1 ? rowBytes * shape.height : 0);
    for (std::size_t k = 0; k < pages.size(); ++k) {
        if (!TIFFSetDirectory(tif.get(), pages[k]))
            throw FormatError("a page cannot be found again");
        std::uint8_t* out = v.data.get() + k * sliceBytes;
        if (shape.bits == 1) {
            ReadPage(tif.get(), shape, rowBytes, packed.data(), int(k), supply);
            UnpackBits(packed.data(), rowBytes, shape, out);
        } else {
            ReadPage(tif.get(), shape, rowBytes, out, int(k), supply);
        }
    }
    return v;
}

}  // namespace calyra::formats
