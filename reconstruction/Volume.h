// The volume: a box of float voxels centred on the origin, made by the
// backprojector and filled by a renderer through IVolume. It is a target
// (type code 104) and owns its voxel buffer, one zero-filled block.
//
// Voxel (i, j, k) is element i + nX (j + nY k); its centre is at
// x = xMin + i pitchX, y = yMax - j pitchY, z = zMax - k pitchZ (world
// units): i runs towards +x, j from the top (+y) down, k from +z to -z.
// Y is the rotation axis. Either no voxels are allocated and every field is
// zero, or counts and extents are positive and the derived fields follow.
//
// File (.vol): the target record, nX nY nZ (uint32), dimX dimY dimZ
// (float64), then the voxels (float32, voxel order) when allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Target.h"
#include "contract/Volume.h"

namespace voxmill {

// Frees a volume's voxels unless the caller lent them (AllocateOver).
struct VolumeVoxelRelease {
    bool owned = true;
    void operator()(float* p) const {
        if (owned) std::free(p);
    }
};

// The renderer a volume came from and the options it was given, carried
// with the volume while it is open (the .vol record has no room for them).
struct RenderProvenance {
    std::string renderer;
    std::vector<std::pair<std::string, std::string>> options;  // name, value
};

class CVolume : public CTarget {
    VOXMILL_DECLARE_SERIAL(CVolume)

public:
    CVolume();
    ~CVolume() override;

    std::uint16_t GetTargetType() const override { return kTargetVolume; }

    // Sets the box and obtains its zero-filled voxels. Refused (false,
    // nothing changed) when voxels are already allocated, an extent is not
    // a finite number greater than zero, a count is zero or above 2^31 - 1
    // (counts cross the plug-in boundary as 32-bit signed), or the memory
    // cannot be had.
    bool Allocate(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY, std::uint32_t nZ);
    // The same checks over voxels the caller owns and keeps alive as long
    // as the volume holds them (an array of a scripting front end, used in
    // place): the volume reads and writes them but never frees them.
    bool AllocateOver(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY, std::uint32_t nZ,
                      float* voxels);
    // Layers [first, first + count) of the box dimX x dimY x dimZ in nX x nY
    // x nZ voxels, as a volume of their own: x and y as the box's, z with the
    // box's pitch, nZ = count, and the first centre the exact float that a
    // renderer stepping the box's z centres (zMax, then minus the pitch, as
    // floats) reaches at layer `first`, so that the layers come out with the
    // bits of the whole box's run. Refused as Allocate, and for layers
    // outside the box.
    bool AllocateLayers(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY,
                        std::uint32_t nZ, std::uint32_t first, std::uint32_t count);
    bool IsAllocated() const { return m_pVoxels != nullptr; }
    bool OwnsVoxels() const { return m_pVoxels && m_pVoxels.get_deleter().owned; }

    bool OnNewDocument() override;
    // Frees the voxels and zeroes every field.
    void DeleteContents() override;
    // Loading throws CArchiveException for counts or extents that do not
    // describe a box (other than the all-zero empty record), for voxels
    // missing from the file, and when the memory cannot be had.
    void Serialize(CArchive& ar) override;
    // What Serialize stores before the voxels: the target record and the
    // box, the whole box for a volume of layers. Its voxels follow in the
    // file, layer `GetFirstLayer()` first.
    void StoreHeader(CArchive& ar);
    std::uint32_t GetFirstLayer() const { return m_firstLayer; }
    void* GetInterface(REFIID iid) override;
    IVolume* GetVolume() { return &m_xVolume; }

    std::uint32_t GetSliceSize() const { return m_nSliceSize; }
    std::uint32_t GetCountX() const { return m_nX; }
    std::uint32_t GetCountY() const { return m_nY; }
    std::uint32_t GetCountZ() const { return m_nZ; }
    double GetDimX() const { return m_dimX; }
    double GetDimY() const { return m_dimY; }
    double GetDimZ() const { return m_dimZ; }
    double GetMinX() const { return m_xMin; }
    double GetMaxX() const { return m_xMax; }
    double GetMinY() const { return m_yMin; }
    double GetMaxY() const { return m_yMax; }
    double GetMinZ() const { return m_zMin; }
    double GetMaxZ() const { return m_zMax; }
    double GetPitchX() const { return m_pitchX; }
    double GetPitchY() const { return m_pitchY; }
    double GetPitchZ() const { return m_pitchZ; }

    std::size_t GetVoxelCount() const { return std::size_t{m_nX} * m_nY * m_nZ; }
    float* GetVoxels() { return m_pVoxels.get(); }
    const float* GetVoxels() const { return m_pVoxels.get(); }
    float& Voxel(std::uint32_t i, std::uint32_t j, std::uint32_t k) {
        return m_pVoxels.get()[i + std::size_t{m_nX} * (j + std::size_t{m_nY} * k)];
    }

    // Smallest and largest voxel value, NaNs left out; false when the
    // volume is empty or holds only NaNs.
    bool GetValueRange(float& minValue, float& maxValue) const;

    // Empty renderer for a volume read from a file.
    const RenderProvenance& GetProvenance() const { return m_provenance; }
    void SetProvenance(RenderProvenance provenance) { m_provenance = std::move(provenance); }

    // "NCSA HDF" export: one rank-3 float32 scientific data set of
    // dimension sizes (nZ, nY, nX), written with DFSDadddata into a fresh
    // file that then replaces `path`. Throws CFileException on an empty
    // volume and on any failure of the HDF library; the previous file
    // survives a failure.
    void ExportHdf(const std::string& path) const;
    // The voxels as headerless little-endian float32 in voxel order,
    // replacing `path` atomically. Throws CFileException.
    void ExportRaw(const std::string& path) const;

private:
    class XVolume : public IVolume {
    public:
        explicit XVolume(CVolume* owner) : m_pOwner(owner) {}
        HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
        ULONG AddRef() override { return ++m_pOwner->m_refs; }
        ULONG Release() override { return m_pOwner->m_refs > 1 ? --m_pOwner->m_refs : 1; }
        HRESULT GetGeometry(float* dimX, float* dimY, float* dimZ, float* xMin, float* yMin, float* zMin,
                            float* xMax, float* yMax, float* zMax, float* pitchX, float* pitchY, float* pitchZ,
                            LONG* nX, LONG* nY, LONG* nZ) override;
        HRESULT GetData(float** voxels) override;

    private:
        CVolume* m_pOwner;
    };

    using VoxelBlock = std::unique_ptr<float, VolumeVoxelRelease>;

    static bool CanAllocate(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY,
                            std::uint32_t nZ, std::uint64_t& count);
    void SetBox(double dimX, double dimY, double dimZ, std::uint32_t nX, std::uint32_t nY, std::uint32_t nZ);
    void Clear();

    std::uint32_t m_nSliceSize = 0;
    // The box the layers were cut from (equal to the own box otherwise).
    std::uint32_t m_firstLayer = 0, m_boxNZ = 0;
    double m_boxDimZ = 0;
    std::uint32_t m_nX = 0, m_nY = 0, m_nZ = 0;
    double m_dimX = 0, m_dimY = 0, m_dimZ = 0;
    double m_xMin = 0, m_xMax = 0;
    double m_yMin = 0, m_yMax = 0;
    double m_zMin = 0, m_zMax = 0;
    double m_pitchX = 0, m_pitchY = 0, m_pitchZ = 0;
    VoxelBlock m_pVoxels;
    RenderProvenance m_provenance;

    XVolume m_xVolume{this};
    ULONG m_refs = 1;
};

}  // namespace voxmill
