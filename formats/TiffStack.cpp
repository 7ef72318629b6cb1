#include "formats/TiffStack.h"

#include <sys/stat.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "app/archive/ArchiveException.h"
#include "app/archive/CheckedSize.h"
#include "formats/TempTarget.h"

namespace voxmill {
namespace {

// libtiff reports through process-wide handlers; the last message of this
// thread goes into the exception instead of onto stderr.
thread_local std::string t_lastMessage;

void KeepMessage(const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    t_lastMessage = (module ? std::string(module) + ": " : std::string()) + text;
}

void IgnoreWarning(const char*, const char*, va_list) {}

void RouteMessages() {
    static const bool routed = [] {
        TIFFSetErrorHandler(&KeepMessage);
        TIFFSetWarningHandler(&IgnoreWarning);
        return true;
    }();
    (void)routed;
    t_lastMessage.clear();
}

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw CFileException(path, what + (t_lastMessage.empty() ? "" : " (" + t_lastMessage + ")"));
}

struct TiffClose {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffFile = std::unique_ptr<TIFF, TiffClose>;

std::string Number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string ImageJDescription(const StackGeometry& g, const float* samples, std::uint64_t n) {
    float lo = std::numeric_limits<float>::infinity(), hi = -lo;
    for (std::uint64_t i = 0; i < n; ++i)
        if (std::isfinite(samples[i])) {
            lo = std::min(lo, samples[i]);
            hi = std::max(hi, samples[i]);
        }
    if (lo > hi) lo = hi = 0;
    std::string text = "ImageJ=1.11a\nimages=" + std::to_string(g.count) + "\nslices=" + std::to_string(g.count) +
                       "\nunit=" + g.unit + "\nspacing=" + Number(g.spacing[2]) + "\nloop=false\nmin=" +
                       Number(lo) + "\nmax=" + Number(hi) + "\n";
    return text;
}

}  // namespace

void WriteTiffStack(const std::string& path, const StackGeometry& g, const float* samples,
                    std::uint64_t bigTiffAbove) {
    const std::uint64_t n = g.SampleCount();
    if (n == 0) throw CFileException(path, "nothing to export: the stack is empty");
    RouteMessages();
    const bool big = SaturatedProduct({n, sizeof(float)}) > bigTiffAbove;
    CTempTarget temp(path);
    {
        TiffFile tif(TIFFOpen(temp.TempPath().c_str(), big ? "w8" : "w"));
        if (!tif) Fail(path, "cannot create the TIFF file");
        const std::string description = ImageJDescription(g, samples, n);
        const std::size_t page = std::size_t{g.columns} * g.rows;
        const std::uint32_t rowsPerStrip = std::max<std::uint32_t>(1, std::min(g.rows, (1u << 20) / g.columns));
        const std::uint32_t strips = (g.rows + rowsPerStrip - 1) / rowsPerStrip;
        TIFF* t = tif.get();
        // Every directory first, the pixels after them: the pages' data
        // then lie back to back, which ImageJ and tifffile expect of a
        // stack described as ImageJ's.
        for (std::uint32_t k = 0; k < g.count; ++k) {
            TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
            TIFFSetField(t, TIFFTAG_IMAGEWIDTH, g.columns);
            TIFFSetField(t, TIFFTAG_IMAGELENGTH, g.rows);
            TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 32);
            TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
            TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
            TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
            TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
            TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
            TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_NONE);
            TIFFSetField(t, TIFFTAG_XRESOLUTION, static_cast<float>(1.0 / g.spacing[0]));
            TIFFSetField(t, TIFFTAG_YRESOLUTION, static_cast<float>(1.0 / g.spacing[1]));
            if (k == 0) TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, description.c_str());
            if (!TIFFDeferStrileArrayWriting(t) || !TIFFWriteCheck(t, 0, "WriteTiffStack") || !TIFFWriteDirectory(t))
                Fail(path, "cannot write page " + std::to_string(k));
        }
        for (std::uint32_t k = 0; k < g.count; ++k) {
            if (!TIFFSetDirectory(t, static_cast<tdir_t>(k))) Fail(path, "cannot write page " + std::to_string(k));
            const float* image = samples + page * k;
            for (std::uint32_t s = 0; s < strips; ++s) {
                const std::uint32_t rows = std::min(rowsPerStrip, g.rows - s * rowsPerStrip);
                const tmsize_t bytes = static_cast<tmsize_t>(std::size_t{g.columns} * rows * sizeof(float));
                if (TIFFWriteEncodedStrip(t, s, const_cast<float*>(image + std::size_t{g.columns} * rowsPerStrip * s),
                                          bytes) != bytes)
                    Fail(path, "cannot write page " + std::to_string(k));
            }
            if (!TIFFForceStrileArrayWriting(t)) Fail(path, "cannot write page " + std::to_string(k));
        }
        TIFF* raw = tif.release();
        TIFFFlush(raw);
        TIFFClose(raw);
        if (!t_lastMessage.empty()) Fail(path, "cannot write the TIFF file");
    }
    temp.Commit();
}

namespace {

struct PageKind {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0, format = SAMPLEFORMAT_UINT, samples = 1, compression = COMPRESSION_NONE;
};

PageKind ReadPageKind(TIFF* t, const std::string& path, std::uint32_t page) {
    PageKind k;
    const std::string where = "page " + std::to_string(page);
    if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &k.width) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &k.height))
        Fail(path, where + " has no size");
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &k.bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &k.format);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &k.samples);
    TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &k.compression);
    if (k.width == 0 || k.height == 0) Fail(path, where + " is empty");
    if (k.samples != 1) Fail(path, where + " has " + std::to_string(k.samples) + " samples per pixel; a detector image has one");
    if (k.bits != 8 && k.bits != 16 && k.bits != 32)
        Fail(path, where + " has " + std::to_string(k.bits) + "-bit samples; 8, 16 or 32 bits are imported");
    if (k.format != SAMPLEFORMAT_UINT && k.format != SAMPLEFORMAT_INT && k.format != SAMPLEFORMAT_IEEEFP)
        Fail(path, where + " has a sample format that is not integer or float");
    if (k.format == SAMPLEFORMAT_IEEEFP && k.bits != 32) Fail(path, where + " has floats of an unsupported size");
    if (TIFFIsTiled(t)) Fail(path, where + " is tiled; striped pages are imported");
    return k;
}

double SampleAt(const unsigned char* row, std::uint32_t c, const PageKind& k) {
    switch (k.bits) {
    case 8:
        return k.format == SAMPLEFORMAT_INT ? static_cast<double>(static_cast<std::int8_t>(row[c])) : row[c];
    case 16: {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * std::size_t{c}, 2);
        return k.format == SAMPLEFORMAT_INT ? static_cast<double>(static_cast<std::int16_t>(v)) : v;
    }
    default: {
        if (k.format == SAMPLEFORMAT_IEEEFP) {
            float f;
            std::memcpy(&f, row + 4 * std::size_t{c}, 4);
            return f;
        }
        std::uint32_t v;
        std::memcpy(&v, row + 4 * std::size_t{c}, 4);
        return k.format == SAMPLEFORMAT_INT ? static_cast<double>(static_cast<std::int32_t>(v)) : v;
    }
    }
}

}  // namespace

ImageStackData ReadTiffStack(const std::string& path) {
    RouteMessages();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) throw CFileException(path, "cannot open the file");
    TiffFile tif(TIFFOpen(path.c_str(), "rm"));  // "m": no memory mapping of a file that may shrink
    if (!tif) Fail(path, "not a readable TIFF file");
    TIFF* t = tif.get();
    ImageStackData stack;
    PageKind first;
    // Compressed strips reach about 1000:1 at most; uncompressed ones
    // cannot hold more than the file.
    const std::uint64_t fileBytes = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t claimedBytes = 0;
    std::vector<unsigned char> line;
    for (std::uint32_t page = 0;; ++page) {
        const PageKind k = ReadPageKind(t, path, page);
        if (page == 0) {
            first = k;
            stack.columns = k.width;
            stack.rows = k.height;
            const std::uint64_t lineBytes = SaturatedProduct({k.width, k.bits / 8u});
            if (lineBytes > (std::uint64_t{1} << 30)) Fail(path, "page 0 is too wide");
            line.resize(static_cast<std::size_t>(lineBytes));
        } else if (k.width != first.width || k.height != first.height) {
            throw CFileException(path, "page " + std::to_string(page) + " is " + std::to_string(k.width) + " x " +
                                           std::to_string(k.height) + " pixels, page 0 " +
                                           std::to_string(first.width) + " x " + std::to_string(first.height) +
                                           "; every page of a stack must have the same size");
        } else if (k.bits != first.bits || k.format != first.format) {
            throw CFileException(path, "page " + std::to_string(page) + " has another sample type than page 0");
        }
        const std::uint64_t pageBytes = SaturatedProduct({k.width, k.height, k.bits / 8u});
        claimedBytes = CheckedSum(claimedBytes, pageBytes).value_or(UINT64_MAX);
        const std::uint64_t bound = k.compression == COMPRESSION_NONE ? fileBytes : SaturatedProduct({fileBytes, 1100});
        const std::uint64_t samples = stack.values.size() + std::uint64_t{k.width} * k.height;
        if (claimedBytes > bound || samples > kMaxStackSamples)
            Fail(path, "the pages claim more data than the file holds");
        if (static_cast<std::uint64_t>(TIFFScanlineSize64(t)) != line.size())
            Fail(path, "page " + std::to_string(page) + " has an unexpected line length");
        const std::size_t base = stack.values.size();
        stack.values.resize(base + std::size_t{k.width} * k.height);
        for (std::uint32_t r = 0; r < k.height; ++r) {
            if (TIFFReadScanline(t, line.data(), r, 0) < 0)
                Fail(path, "cannot read row " + std::to_string(r) + " of page " + std::to_string(page));
            double* out = stack.values.data() + base + std::size_t{k.width} * r;
            for (std::uint32_t c = 0; c < k.width; ++c) out[c] = SampleAt(line.data(), c, k);
        }
        ++stack.count;
        t_lastMessage.clear();
        if (!TIFFReadDirectory(t)) {
            // The normal end of the chain reports nothing; a damaged link does.
            if (!t_lastMessage.empty()) Fail(path, "cannot read page " + std::to_string(page + 1));
            break;
        }
    }
    return stack;
}

}  // namespace voxmill
