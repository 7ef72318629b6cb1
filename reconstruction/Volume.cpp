#include "reconstruction/Volume.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "app/archive/Archive.h"
#include "app/archive/ArchiveException.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/File.h"
#include "reconstruction/HdfDataSet.h"

namespace voxmill {
namespace {

constexpr std::uint32_t kMaxCount = static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max());

bool IsExtent(double dim) { return dim > 0 && std::isfinite(dim); }

// nX nY nZ as a voxel count and a byte count; false when either overflows.
bool VoxelBytes(std::uint32_t nX, std::uint32_t nY, std::uint32_t nZ, std::uint64_t& count, std::uint64_t& bytes) {
    return !__builtin_mul_overflow(std::uint64_t{nX}, std::uint64_t{nY}, &count) &&
           !__builtin_mul_overflow(count, std::uint64_t{nZ}, &count) &&
           !__builtin_mul_overflow(count, std::uint64_t{sizeof(float)}, &bytes) &&
           bytes <= std::numeric_limits<std::size_t>::max();
}

}  // namespace

VOXMILL_IMPLEMENT_DYNCREATE(CVolume, CTarget)

CVolume::CVolume() = default;

CVolume::~CVolume() = default;

void CVolume::Clear() {
    m_pVoxels.reset();
    m_nSliceSize = m_nX = m_nY = m_nZ = 0;
    m_firstLayer = m_boxNZ = 0;
    m_boxDimZ = 0;
    m_dimX = m_dimY = m_dimZ = 0;
    m_xMin = m_xMax = m_yMin = m_yMax = m_zMin = m_zMax = 0;
    m_pitchX = m_pitchY = m_pitchZ = 0;
    m_provenance = {};
}

bool CVolume::CanAllocate(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY,
                          std::uint32_t nZ, std::uint64_t& count) {
    if (!IsExtent(dimX) || !IsExtent(dimY) || !IsExtent(dimZ)) return false;
    if (nX == 0 || nY == 0 || nZ == 0 || nX > kMaxCount || nY > kMaxCount || nZ > kMaxCount) return false;
    std::uint64_t bytes = 0;
    return VoxelBytes(nX, nY, nZ, count, bytes);
}

bool CVolume::Allocate(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY,
                       std::uint32_t nZ) {
    std::uint64_t count = 0;
    if (m_pVoxels || !CanAllocate(dimX, dimY, dimZ, nX, nY, nZ, count)) return false;
    float* voxels = static_cast<float*>(std::calloc(static_cast<std::size_t>(count), sizeof(float)));
    if (!voxels) return false;
    m_pVoxels = VoxelBlock(voxels);
    SetBox(dimX, dimY, dimZ, nX, nY, nZ);
    return true;
}

bool CVolume::AllocateLayers(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY,
                             std::uint32_t nZ, std::uint32_t first, std::uint32_t count) {
    std::uint64_t whole = 0;
    if (m_pVoxels || count == 0 || first >= nZ || count > nZ - first ||
        !CanAllocate(dimX, dimY, dimZ, nX, nY, nZ, whole))
        return false;
    const double pitchZ = dimZ / nZ;
    if (!Allocate(dimX, dimY, pitchZ * count, nX, nY, count)) return false;
    // The renderers' stepping, reproduced: float centres, one float pitch
    // at a time from the box's top centre.
    const float step = -static_cast<float>(pitchZ);
    float top = static_cast<float>(-((pitchZ - dimZ) / 2));
    for (std::uint32_t k = 0; k < first; ++k) top += step;
    m_pitchZ = pitchZ;
    m_zMax = top;
    m_zMin = top - pitchZ * (count - 1);
    m_firstLayer = first;
    m_boxNZ = nZ;
    m_boxDimZ = dimZ;
    return true;
}

bool CVolume::AllocateOver(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY,
                           std::uint32_t nZ, float* voxels) {
    std::uint64_t count = 0;
    if (m_pVoxels || !voxels || !CanAllocate(dimX, dimY, dimZ, nX, nY, nZ, count)) return false;
    m_pVoxels = VoxelBlock(voxels, VolumeVoxelRelease{false});
    SetBox(dimX, dimY, dimZ, nX, nY, nZ);
    return true;
}

void CVolume::SetBox(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY, std::uint32_t nZ) {
    m_nX = nX;
    m_nY = nY;
    m_nZ = nZ;
    m_dimX = dimX;
    m_dimY = dimY;
    m_dimZ = dimZ;
    // Wraps for a layer above 2^32 voxels, as a 32-bit field must.
    m_nSliceSize = nX * nY;
    m_firstLayer = 0;
    m_boxNZ = nZ;
    m_boxDimZ = dimZ;
    m_pitchX = dimX / nX;
    m_pitchY = dimY / nY;
    m_pitchZ = dimZ / nZ;
    m_xMin = (m_pitchX - dimX) / 2;
    m_yMin = (m_pitchY - dimY) / 2;
    m_zMin = (m_pitchZ - dimZ) / 2;
    m_xMax = -m_xMin;
    m_yMax = -m_yMin;
    m_zMax = -m_zMin;
}

bool CVolume::OnNewDocument() {
    if (!CTarget::OnNewDocument()) return false;
    Clear();
    return true;
}

void CVolume::DeleteContents() {
    Clear();
    CTarget::DeleteContents();
}

void CVolume::StoreHeader(CArchive& ar) {
    CTarget::Serialize(ar);
    ar.WriteDword(m_nX);
    ar.WriteDword(m_nY);
    ar.WriteDword(m_boxNZ);
    ar.WriteDouble(m_dimX);
    ar.WriteDouble(m_dimY);
    ar.WriteDouble(m_boxDimZ);
}

void CVolume::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        if (m_pVoxels && (m_firstLayer != 0 || m_boxNZ != m_nZ))
            ar.Fail(CArchiveException::generic, "a volume of layers is stored by its writer, not whole");
        StoreHeader(ar);
        if (m_pVoxels) ar.WriteFloats(m_pVoxels.get(), GetVoxelCount());
        return;
    }
    CTarget::Serialize(ar);
    Clear();
    const std::uint32_t nX = ar.ReadDword(), nY = ar.ReadDword(), nZ = ar.ReadDword();
    const double dimX = ar.ReadDouble(), dimY = ar.ReadDouble(), dimZ = ar.ReadDouble();
    // The record of an empty volume: zeros and no voxels.
    if (nX == 0 && nY == 0 && nZ == 0 && dimX == 0 && dimY == 0 && dimZ == 0) return;
    if (nX == 0 || nY == 0 || nZ == 0 || nX > kMaxCount || nY > kMaxCount || nZ > kMaxCount)
        ar.Fail(CArchiveException::generic, "volume voxel counts");
    if (!IsExtent(dimX) || !IsExtent(dimY) || !IsExtent(dimZ))
        ar.Fail(CArchiveException::generic, "volume extents");
    std::uint64_t count = 0, bytes = 0;
    if (!VoxelBytes(nX, nY, nZ, count, bytes)) ar.Fail(CArchiveException::endOfFile, "volume voxels");
    // Before allocating: a damaged header must not make us ask for memory
    // the file cannot fill.
    ar.Require(bytes, "volume voxels");
    if (!Allocate(dimX, dimY, dimZ, nX, nY, nZ)) ar.Fail(CArchiveException::generic, "memory for the volume voxels");
    ar.ReadFloats(m_pVoxels.get(), static_cast<std::size_t>(count), "volume voxels");
}

void* CVolume::GetInterface(REFIID iid) {
    if (iid == IID_IVolume || iid == IID_IUnknown) return static_cast<IVolume*>(&m_xVolume);
    return CTarget::GetInterface(iid);
}

bool CVolume::GetValueRange(float& minValue, float& maxValue) const {
    bool any = false;
    const float* v = m_pVoxels.get();
    const std::size_t n = m_pVoxels ? GetVoxelCount() : 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isnan(v[i])) continue;
        if (!any) {
            minValue = maxValue = v[i];
            any = true;
        } else if (v[i] < minValue) {
            minValue = v[i];
        } else if (v[i] > maxValue) {
            maxValue = v[i];
        }
    }
    return any;
}

void CVolume::ExportHdf(const std::string& path) const {
    if (!m_pVoxels) throw CFileException(path, "the volume holds no voxels");
    // Slowest dimension first, matching the voxel order.
    const std::int32_t dims[3] = {static_cast<std::int32_t>(m_nZ), static_cast<std::int32_t>(m_nY),
                                  static_cast<std::int32_t>(m_nX)};
    WriteHdfDataSet(path, 3, dims, m_pVoxels.get());
}

void CVolume::ExportRaw(const std::string& path) const {
    if (!m_pVoxels) throw CFileException(path, "the volume holds no voxels");
    static_assert(std::endian::native == std::endian::little, "raw export writes the host's float layout");
    SaveFileAtomically(path, [this](CFile& file) {
        // In pieces, so that a multi-gigabyte volume needs no second buffer.
        constexpr std::size_t kChunk = std::size_t{1} << 24;
        const char* bytes = reinterpret_cast<const char*>(m_pVoxels.get());
        const std::size_t total = GetVoxelCount() * sizeof(float);
        for (std::size_t done = 0; done < total; done += kChunk)
            file.Write(bytes + done, std::min(kChunk, total - done));
    });
}

HRESULT CVolume::XVolume::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = m_pOwner->GetInterface(riid);
    if (!*ppvObject) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT CVolume::XVolume::GetGeometry(float* dimX, float* dimY, float* dimZ, float* xMin, float* yMin, float* zMin,
                                      float* xMax, float* yMax, float* zMax, float* pitchX, float* pitchY,
                                      float* pitchZ, LONG* nX, LONG* nY, LONG* nZ) {
    if (!dimX || !dimY || !dimZ || !xMin || !yMin || !zMin || !xMax || !yMax || !zMax || !pitchX || !pitchY ||
        !pitchZ || !nX || !nY || !nZ)
        return E_POINTER;
    const CVolume& v = *m_pOwner;
    *dimX = static_cast<float>(v.m_dimX);
    *dimY = static_cast<float>(v.m_dimY);
    *dimZ = static_cast<float>(v.m_dimZ);
    *xMin = static_cast<float>(v.m_xMin);
    *yMin = static_cast<float>(v.m_yMin);
    *zMin = static_cast<float>(v.m_zMin);
    *xMax = static_cast<float>(v.m_xMax);
    *yMax = static_cast<float>(v.m_yMax);
    *zMax = static_cast<float>(v.m_zMax);
    *pitchX = static_cast<float>(v.m_pitchX);
    *pitchY = static_cast<float>(v.m_pitchY);
    *pitchZ = static_cast<float>(v.m_pitchZ);
    *nX = static_cast<LONG>(v.m_nX);
    *nY = static_cast<LONG>(v.m_nY);
    *nZ = static_cast<LONG>(v.m_nZ);
    return S_OK;
}

HRESULT CVolume::XVolume::GetData(float** voxels) {
    if (!voxels) return E_POINTER;
    *voxels = m_pOwner->m_pVoxels.get();
    return S_OK;
}

}  // namespace voxmill
