// One libFuzzer target per reader, built from this file with
// VOXMILL_FUZZ_KIND naming the reader. Each opens the input the way File,
// Open does (the document's Open on a path), so the fuzzer reaches exactly
// the code a user's file reaches. The bytes are handed over as an
// in-memory file named by /proc/self/fd, which costs no disk.
//
// A reader may refuse the input (an exception, a false result); it must
// never crash, hang, leak past the memory limit or break an invariant
// checked here.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/SinogramImport.h"
#include "app/archive/ErrorSink.h"
#include "contract/Registry.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"
#include "formats/DetectorStackImport.h"
#include "imaging/BinaryMatrixImport.h"
#include "imaging/Surface.h"
#include "imaging/Surfacei.h"
#include "imaging/dib/Dib.h"
#include "imaging/processor/Processor.h"
#include "phantom/Phantom.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Volume.h"

namespace voxmill {
namespace {

// The input as a file with a path, for readers that open paths.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size) {
        m_fd = ::memfd_create("voxmill-fuzz", MFD_CLOEXEC);
        if (m_fd < 0) std::abort();
        for (std::size_t done = 0; done < size;) {
            const ssize_t n = ::write(m_fd, data + done, size - done);
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    ~MemoryFile() { ::close(m_fd); }
    const std::string& Path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};

template <typename Document>
void OpenDocument(const std::string& path) {
    Document doc;
    doc.m_bAutoDelete = false;
    try {
        doc.Open(path);
    } catch (const std::exception&) {
    }
}

// The import dialogs' values, taken from the input's first 17 bytes: type,
// width, height, offset, count (each little-endian, the type one byte).
struct ImportHeader {
    SinogramImport values;
    const std::uint8_t* data;
    std::size_t size;
};

bool TakeImportHeader(const std::uint8_t* data, std::size_t size, ImportHeader& out) {
    constexpr std::size_t kHeader = 17;
    if (size < kHeader) return false;
    std::uint32_t fields[4];
    std::memcpy(fields, data + 1, sizeof fields);
    out.values.matrix.type = data[0] % 8;  // also a few invalid types
    out.values.matrix.width = fields[0];
    out.values.matrix.height = fields[1];
    out.values.matrix.offset = fields[2];
    out.values.count = fields[3];
    out.data = data + kHeader;
    out.size = size - kHeader;
    return true;
}

void ImportMatrix(const std::uint8_t* data, std::size_t size) {
    ImportHeader h;
    if (!TakeImportHeader(data, size, h)) return;
    MemoryFile file(h.data, h.size);
    CSurface surface;
    surface.m_bAutoDelete = false;
    try {
        surface.ImportBinaryMatrix(file.Path(), h.values.matrix);
    } catch (const std::exception&) {
    }
}

void ImportSinogram(const std::uint8_t* data, std::size_t size) {
    ImportHeader h;
    if (!TakeImportHeader(data, size, h)) return;
    MemoryFile file(h.data, h.size);
    CProjectionCollection collection;
    collection.m_bAutoDelete = false;
    try {
        collection.ImportSinogram(file.Path(), h.values);
    } catch (const std::exception&) {
    }
}

// What loads must also save: a registry read whole formats to a text the
// reader takes back, within the size it accepts.
void LoadRegistry(const std::string& path) {
    CRegistry reg;
    if (!reg.Load(path, nullptr)) return;
    const std::string text = reg.Format();
    if (text.size() > CRegistry::kMaxFileBytes) std::abort();
    CRegistry back;
    std::string error;
    if (!back.Parse(text, &error) || back.Format() != text) std::abort();
}

void ReadBitmap(const std::string& path) {
    CDib dib;
    dib.ReadFile(path);
}

#define VOXMILL_STRINGIFY2(x) #x
#define VOXMILL_STRINGIFY(x) VOXMILL_STRINGIFY2(x)

// A detector stack import's reading step: refused or read whole.
void ReadStack(const StackSource& source) {
    try {
        const ImageStackData stack = ReadImageStack(source);
        if (stack.values.size() != std::size_t{stack.columns} * stack.rows * stack.count) std::abort();
    } catch (const std::exception&) {
    }
}

void Dispatch(const std::uint8_t* data, std::size_t size) {
    const std::string kind = VOXMILL_STRINGIFY(VOXMILL_FUZZ_KIND);
    if (kind == "matrix") return ImportMatrix(data, size);
    if (kind == "sinogram") return ImportSinogram(data, size);
    MemoryFile file(data, size);
    const std::string& path = file.Path();
    if (kind == "pha") OpenDocument<CPhantom>(path);
    else if (kind == "prj") OpenDocument<CProjection>(path);
    else if (kind == "prs") OpenDocument<CProjectionCollection>(path);
    else if (kind == "vol") OpenDocument<CVolume>(path);
    else if (kind == "slc") OpenDocument<CSlice>(path);
    else if (kind == "sls") OpenDocument<CSliceCollection>(path);
    else if (kind == "surface") OpenDocument<CSurface>(path);
    else if (kind == "prc") OpenDocument<CProcessor>(path);
    else if (kind == "surfacei") OpenDocument<CSurfacei>(path);
    else if (kind == "sld") OpenDocument<CSlide>(path);
    else if (kind == "sds") OpenDocument<CSlideCollection>(path);
    else if (kind == "bmp") ReadBitmap(path);
    else if (kind == "registry") LoadRegistry(path);
    else if (kind == "tiff") ReadStack(StackSource{path, {}});
    else if (kind == "hdf5") ReadStack(StackSource{path, "/projections"});
    else std::abort();
}

}  // namespace
}  // namespace voxmill

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    voxmill::SetErrorSink([](const std::string&) {});  // refusals are expected, not news
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    voxmill::Dispatch(data, size);
    return 0;
}
