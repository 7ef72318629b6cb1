#include "formats/DocumentExports.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/archive/ArchiveException.h"
#include "formats/Hdf5File.h"
#include "formats/TextHeaderVolume.h"
#include "formats/TiffStack.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Volume.h"

namespace voxmill {
namespace {

void RequireVoxels(const CVolume& volume, const std::string& path) {
    if (!volume.IsAllocated()) throw CFileException(path, "nothing to export: the volume is empty");
}

Hdf5Attribute Numbers(const char* name, std::vector<double> values, std::vector<std::uint64_t> shape = {}) {
    Hdf5Attribute a;
    a.name = name;
    a.numbers = std::move(values);
    a.shape = std::move(shape);
    return a;
}

Hdf5Attribute Text(const char* name, std::string value) {
    Hdf5Attribute a;
    a.name = name;
    a.text = std::move(value);
    return a;
}

// The images of a collection's members, loaded one at a time and copied
// into one block, with the pixel counts every member must share.
struct GatheredImages {
    std::uint32_t columns = 0, rows = 0;
    std::vector<float> samples;
};

// `stubOf(i)` and `memberOf(i)` give entry i; `visit(member, i)` notes
// what else the export needs of it while it is loaded.
template <class StubOf, class MemberOf, class Visit>
GatheredImages GatherImages(std::size_t count, const char* noun, StubOf stubOf, MemberOf memberOf, Visit visit) {
    GatheredImages g;
    if (count == 0) throw std::runtime_error(std::string("nothing to export: there is no ") + noun);
    for (std::size_t i = 0; i < count; ++i) {
        CListElementStub& stub = *stubOf(i);
        auto* member = memberOf(i);
        const std::string which = std::string(noun) + " " + std::to_string(i);
        if (!member) throw std::runtime_error(which + " is missing");
        LoadedScope loaded(stub);
        if (!loaded.Loaded()) throw std::runtime_error(which + ": cannot read " + stub.m_strPath);
        if (!member->HasPixels()) throw std::runtime_error(which + " has no image");
        if (i == 0) {
            g.columns = member->GetWidth();
            g.rows = member->GetHeight();
            g.samples.reserve(std::size_t{g.columns} * g.rows * count);
        } else if (member->GetWidth() != g.columns || member->GetHeight() != g.rows) {
            throw std::runtime_error(which + " is " + std::to_string(member->GetWidth()) + " x " +
                                     std::to_string(member->GetHeight()) + " pixels, the first " +
                                     std::to_string(g.columns) + " x " + std::to_string(g.rows) +
                                     "; a stack needs one size");
        }
        const float* p = member->GetPixels();
        g.samples.insert(g.samples.end(), p, p + member->GetPixelCount());
        visit(*member, i);
    }
    return g;
}

struct SliceFacts {
    double pitchX = 1, pitchY = 1;
    std::uint32_t axis = 0;
    std::vector<double> positions;
};

GatheredImages GatherSlices(CSliceCollection& slices, SliceFacts& facts) {
    return GatherImages(
        slices.GetCount(), "slice", [&](std::size_t i) { return slices.GetEntry(i); },
        [&](std::size_t i) { return slices.GetSlice(i); },
        [&](const CSlice& s, std::size_t i) {
            if (i == 0) {
                facts.pitchX = s.GetPitchX();
                facts.pitchY = s.GetPitchY();
                facts.axis = s.GetAxis();
            }
            facts.positions.push_back(s.GetPosition());
        });
}

StackGeometry SliceStackGeometry(const GatheredImages& images, const SliceFacts& facts) {
    StackGeometry g;
    g.columns = images.columns;
    g.rows = images.rows;
    g.count = static_cast<std::uint32_t>(facts.positions.size());
    g.spacing[0] = facts.pitchX;
    g.spacing[1] = facts.pitchY;
    g.spacing[2] = facts.positions.size() > 1 ? std::abs(facts.positions[1] - facts.positions[0]) : 1.0;
    if (!(g.spacing[2] > 0)) g.spacing[2] = 1.0;
    return g;
}

struct ProjectionFacts {
    std::vector<double> source, centre, h, v, size;
    double pitchX = 1, pitchY = 1;
};

void Append(std::vector<double>& to, const CVector4& p) { to.insert(to.end(), {p.x, p.y, p.z}); }

GatheredImages GatherProjections(CProjectionCollection& collection, ProjectionFacts& facts) {
    return GatherImages(
        collection.GetCount(), "projection", [&](std::size_t i) { return collection.GetMember(i); },
        [&](std::size_t i) { return collection.GetProjection(i); },
        [&](const CProjection& p, std::size_t i) {
            const CDetector& d = p.GetDetector();
            Append(facts.source, p.GetSource().GetPosition());
            Append(facts.centre, d.GetCenter());
            Append(facts.h, d.GetHorizontal());
            Append(facts.v, d.GetVertical());
            facts.size.insert(facts.size.end(), {p.GetDimX(), p.GetDimY()});
            if (i == 0) {
                facts.pitchX = p.GetPitchX();
                facts.pitchY = p.GetPitchY();
            }
        });
}

Hdf5DataSet FloatSet(const char* name, const GatheredImages& images, std::size_t count) {
    Hdf5DataSet set;
    set.name = name;
    set.shape = {count, images.rows, images.columns};
    set.f32 = images.samples.data();
    return set;
}

Hdf5DataSet Table(const char* name, const std::vector<double>& values, std::uint64_t width) {
    Hdf5DataSet set;
    set.name = name;
    set.shape = {values.size() / width, width};
    set.f64 = values.data();
    return set;
}

}  // namespace

StackGeometry VolumeStackGeometry(const CVolume& volume) {
    StackGeometry g;
    g.columns = volume.GetCountX();
    g.rows = volume.GetCountY();
    g.count = volume.GetCountZ();
    g.spacing[0] = volume.GetPitchX();
    g.spacing[1] = volume.GetPitchY();
    g.spacing[2] = volume.GetPitchZ();
    g.origin[0] = volume.GetMinX();
    g.origin[1] = volume.GetMaxY();
    g.origin[2] = volume.GetMaxZ();
    const double axes[3][3] = {{1, 0, 0}, {0, -1, 0}, {0, 0, -1}};
    std::memcpy(g.axis, axes, sizeof axes);
    return g;
}

void ExportVolumeHdf5(const CVolume& volume, const std::string& path, int deflateLevel) {
    const RenderProvenance* provenance = &volume.GetProvenance();
    RequireVoxels(volume, path);
    const StackGeometry g = VolumeStackGeometry(volume);
    Hdf5DataSet set;
    set.name = "/volume";
    set.shape = {g.count, g.rows, g.columns};
    set.f32 = volume.GetVoxels();
    std::vector<double> direction;
    for (const auto& row : g.axis) direction.insert(direction.end(), row, row + 3);
    set.attributes = {
        Numbers("voxel_size", {g.spacing[0], g.spacing[1], g.spacing[2]}),
        Numbers("origin", {g.origin[0], g.origin[1], g.origin[2]}),
        Numbers("direction", direction, {3, 3}),
        Numbers("extent", {volume.GetDimX(), volume.GetDimY(), volume.GetDimZ()}),
        Text("units", g.unit),
    };
    if (provenance && !provenance->renderer.empty()) {
        set.attributes.push_back(Text("renderer", provenance->renderer));
        Hdf5Attribute options;
        options.name = "renderer_options";
        options.texts.emplace();
        for (const auto& [name, value] : provenance->options) options.texts->push_back(name + "=" + value);
        set.attributes.push_back(std::move(options));
    }
    WriteHdf5File(path, {set}, deflateLevel);
}

void ExportVolumeTiff(const CVolume& volume, const std::string& path) {
    RequireVoxels(volume, path);
    WriteTiffStack(path, VolumeStackGeometry(volume), volume.GetVoxels());
}

void ExportVolumeMetaImage(const CVolume& volume, const std::string& path) {
    RequireVoxels(volume, path);
    WriteMetaImage(path, VolumeStackGeometry(volume), volume.GetVoxels());
}

void ExportVolumeNrrd(const CVolume& volume, const std::string& path) {
    RequireVoxels(volume, path);
    WriteNrrd(path, VolumeStackGeometry(volume), volume.GetVoxels());
}

void ExportSlicesHdf5(CSliceCollection& slices, const std::string& path, int deflateLevel) {
    SliceFacts facts;
    const GatheredImages images = GatherSlices(slices, facts);
    Hdf5DataSet set = FloatSet("/slices", images, facts.positions.size());
    set.attributes = {
        Numbers("pixel_size", {facts.pitchX, facts.pitchY}),
        Text("axis", std::string(1, "xyz"[facts.axis % 3])),
        Numbers("positions", facts.positions),
        Text("units", kWorldUnit),
    };
    WriteHdf5File(path, {set}, deflateLevel);
}

void ExportSlicesTiff(CSliceCollection& slices, const std::string& path) {
    SliceFacts facts;
    const GatheredImages images = GatherSlices(slices, facts);
    WriteTiffStack(path, SliceStackGeometry(images, facts), images.samples.data());
}

void ExportProjectionsHdf5(CProjectionCollection& collection, const std::string& path, int deflateLevel) {
    ProjectionFacts facts;
    const GatheredImages images = GatherProjections(collection, facts);
    const std::size_t n = collection.GetCount();
    Hdf5DataSet set = FloatSet("/projections", images, n);
    set.attributes = {Text("units", kWorldUnit)};
    WriteHdf5File(path,
                  {set, Table("/source", facts.source, 3), Table("/detector_centre", facts.centre, 3),
                   Table("/detector_h", facts.h, 3), Table("/detector_v", facts.v, 3),
                   Table("/detector_size", facts.size, 2)},
                  deflateLevel);
}

void ExportProjectionsTiff(CProjectionCollection& collection, const std::string& path) {
    ProjectionFacts facts;
    const GatheredImages images = GatherProjections(collection, facts);
    StackGeometry g;
    g.columns = images.columns;
    g.rows = images.rows;
    g.count = static_cast<std::uint32_t>(collection.GetCount());
    g.spacing[0] = facts.pitchX;
    g.spacing[1] = facts.pitchY;
    WriteTiffStack(path, g, images.samples.data());
}

}  // namespace voxmill
