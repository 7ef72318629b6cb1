#include "renderers/tessor/TessorReconstruction.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "contract/ListElement.h"
#include "renderers/common/EntryAccess.h"
#include "renderers/common/Parallel.h"
#include "renderers/common/ProjectionFilter.h"
#include "renderers/common/ProjectionGeometry.h"
#include "renderers/common/RampKernel.h"
#include "renderers/common/ShortScan.h"
#include "renderers/common/VolumeGrid.h"
#include "renderers/common/VoxelBackprojection.h"
#include "renderers/common/Voxelizer.h"

namespace voxmill {

CTessorReconstruction::CTessorReconstruction(int threads) : CTessorReconstruction(threads, Options{}) {}

CTessorReconstruction::CTessorReconstruction(int threads, const Options& options)
    : m_threads(std::clamp(threads, 1, CParallel::kMaxThreads)), m_options(options) {}

CProjectionFilter::Options CTessorReconstruction::FilterOptions() const {
    CProjectionFilter::Options o;
    o.pad = m_options.pad;
    o.window = m_options.window;
    o.cutoff = m_options.cutoff;
    return o;
}

HRESULT CTessorReconstruction::Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) const {
    return CVoxelizer::Synthesize(progress, phantom, volume);
}

HRESULT CTessorReconstruction::ProcessProjection(IProjection* projection, IVolume* volume) const {
    if (!projection || !volume) return E_POINTER;
    try {
        CVolumeGrid grid;
        if (const HRESULT hr = CVolumeGrid::Read(volume, &grid); FAILED(hr)) return hr;
        CProjectionGeometry g;
        if (const HRESULT hr = CProjectionGeometry::Read(projection, &g); FAILED(hr)) return hr;
        float* pixels = nullptr;
        if (FAILED(projection->GetData(&pixels)) || !pixels) return E_FAIL;
        const auto filter = CProjectionFilter::Create(g, m_threads, FilterOptions());
        if (!filter) return E_FAIL;
        std::vector<float> work(filter->PixelCount());
        filter->Load(pixels, work.data());
        filter->FilterAll({work.data()}, m_threads);
        CVoxelBackprojection::Switches switches;
        switches.bilinear = m_options.bilinear;
        CVoxelBackprojection::Run(grid, {CVoxelBackprojection::MakeView(g, g, work.data())}, m_threads, switches);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
}

HRESULT CTessorReconstruction::ProcessCollection(IProgress* progress, IProjectionCollection* collection,
                                                 IVolume* volume) const {
    if (!progress || !collection || !volume) return E_POINTER;
    try {
        return Collection(progress, collection, volume);
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
}

HRESULT CTessorReconstruction::Collection(IProgress* progress, IProjectionCollection* collection,
                                          IVolume* volume) const {
    LONG valid = 0;
    if (FAILED(collection->IsValid(&valid)) || valid == 0) return E_INVALIDARG;
    CVolumeGrid grid;
    if (const HRESULT hr = CVolumeGrid::Read(volume, &grid); FAILED(hr)) return hr;
    LONG count = 0;
    if (FAILED(collection->GetCount(&count))) return E_FAIL;
    if (count <= 0) {
        BeginProgress(progress, 0, u"Backprojecting...");
        return S_OK;
    }

    // The first entry that can be had alone gives the detector grid, the
    // distances and the field of view for every entry.
    CProjectionGeometry detector;
    if (const HRESULT hr = ReadFirstAvailableGeometry(collection, count, &detector); FAILED(hr)) return hr;
    CShortScan::Plan scan;
    if (m_options.shortScan) {
        if (const HRESULT hr = CShortScan::Read(collection, count, detector, &scan); FAILED(hr)) return hr;
    }
    const bool uneven = m_options.shortScan && scan.coverage == CShortScan::Coverage::uneven;
    std::vector<float> columnWeights;
    const auto filter = CProjectionFilter::Create(detector, m_threads, FilterOptions());
    if (!filter) return E_FAIL;
    const std::size_t pixels = filter->PixelCount();
    const int batch = static_cast<int>(std::clamp<std::size_t>(kBatchBytes / (pixels * sizeof(float)), 1,
                                                               std::min<std::size_t>(kMaxBatch, count)));
    std::vector<float> works(pixels * static_cast<std::size_t>(batch));
    CVoxelBackprojection::Switches switches;
    switches.bilinear = m_options.bilinear;

    // Entries go a batch at a time: each is loaded, copied and unloaded in
    // turn (one in memory at a time, as in the program's own loop), the
    // batch is filtered, and then every z slab takes the whole batch while
    // the slab is in cache. Each voxel still sums the entries in index order.
    BeginProgress(progress, count, u"Backprojecting...");
    std::vector<float*> loaded;
    std::vector<CVoxelBackprojection::View> views;
    for (LONG begin = 0; begin < count; begin += batch) {
        const LONG end = std::min<LONG>(count, begin + batch);
        loaded.clear();
        views.clear();
        for (LONG n = begin; n < end; ++n) {
            IListElement* item = nullptr;
            if (FAILED(collection->GetItem(n, &item)) || !item) continue;
            CProjectionGeometry own;
            if (IProjection* projection = ProjectionOf(item)) {
                if (const float* source = PixelsOf(projection, detector, &own)) {
                    float* work = works.data() + pixels * loaded.size();
                    filter->Load(source, work);
                    if (scan.Weighs()) {
                        CShortScan::ColumnWeights(scan, static_cast<std::size_t>(n), detector, own, &columnWeights);
                        filter->WeighColumns(work, columnWeights);
                    }
                    loaded.push_back(work);
                    views.push_back(CVoxelBackprojection::MakeView(detector, own, work));
                }
            }
            item->Unload();
        }
        filter->FilterAll(loaded, m_threads);
        CVoxelBackprojection::Run(grid, views, m_threads, switches);
        if (!StepAll(progress, end - begin)) return E_ABORT;  // cancelled
    }
    ScaleByTurn(grid, count, m_threads);
    return uneven ? VOXMILL_S_UNEVENCOVERAGE : S_OK;
}

void CTessorReconstruction::ScaleByTurn(const CVolumeGrid& grid, LONG count, int threads) {
    if (count <= 0) return;
    // The program's own expression, (v * 2 pi) / N, so that both modes give
    // the same bits: v * (2 pi / N) rounds differently when N is not a
    // power of two.
    const double twoPi = 2.0 * CRampKernel::kPi;
    const double n = static_cast<double>(count);
    CParallel::For(grid.nZ, threads, [&](int k, int) {
        float* slab = grid.Slab(k);
        for (std::size_t i = 0; i < grid.SlabSize(); ++i)
            slab[i] = static_cast<float>(static_cast<double>(slab[i]) * twoPi / n);
    });
}

}  // namespace voxmill
