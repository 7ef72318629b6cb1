#include "renderers/karvex/KarvexReconstruction.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <vector>

#include "renderers/common/EntryAccess.h"
#include "renderers/common/ProjectionFilter.h"
#include "renderers/common/ProjectionGeometry.h"
#include "renderers/common/RampKernel.h"
#include "renderers/common/ShortScan.h"
#include "renderers/common/VolumeGrid.h"
#include "renderers/common/VoxelBackprojection.h"

namespace voxmill {
namespace {

using View = CVoxelBackprojection::View;

bool Near(double a, double b, double tolerance) { return std::abs(a - b) <= tolerance; }

// Whether `q` is `p` half a turn on: sources and detector centres mirrored
// through the rotation axis (x and z negated, heights kept), the detector
// mirrored with them (H and N negated), at the same distances.
bool IsOpposite(const CProjectionGeometry& p, const CProjectionGeometry& q) {
    const double t = CKarvexReconstruction::kTolerance;
    const double length = t * p.R;
    return Near(q.source[0], -p.source[0], length) && Near(q.source[2], -p.source[2], length) &&
           Near(q.source[1], p.source[1], length) && Near(q.detector[0], -p.detector[0], length) &&
           Near(q.detector[2], -p.detector[2], length) && Near(q.detector[1], p.detector[1], length) &&
           Near(q.R, p.R, length) && Near(q.D, p.D, length) && Near(q.a, -p.a, t) && Near(q.b, -p.b, t) &&
           Near(q.c, -p.c, t) && Near(q.e, -p.e, t);
}

// Whether a view sees the volume symmetrically about the plane y = 0.
bool IsAxiallySymmetric(const View& v) {
    const double t = CKarvexReconstruction::kTolerance;
    return Near(v.sourceY, 0.0, t * v.R) && Near(v.detectorY, 0.0, t * v.R) &&
           Near(static_cast<double>(v.vMax), (v.rows - 1) * static_cast<double>(v.dv) / 2, t * v.dv);
}

bool IsCentredOnAxialPlane(const CVolumeGrid& g) {
    const double pitch = g.nY > 1 ? std::abs(static_cast<double>(g.y[0]) - g.y[1]) : 1.0;
    return Near(static_cast<double>(g.y.front()), -static_cast<double>(g.y.back()),
                CKarvexReconstruction::kTolerance * pitch);
}

// A loaded projection: its geometry and its work buffer (the batch's).
struct Loaded {
    CProjectionGeometry geometry;
    float* work = nullptr;
};

class Run {
public:
    Run(const CKarvexReconstruction::Options& options, const CVolumeGrid& grid, const CProjectionGeometry& detector,
        const CProjectionFilter& filter, const CDetectorIndexTable* table, LONG count, int threads,
        CKarvexReconstruction::Plan& plan)
        : m_grid(grid), m_detector(detector), m_filter(filter), m_count(count), m_threads(threads), m_plan(plan) {
        m_switches.fixedPoint = options.fixedPoint;
        m_switches.bilinear = options.interpolationMode == 1;
        m_switches.indexSkip = plan.indexSkip;
        m_switches.table = table;
        m_turn = 2.0 * CRampKernel::kPi / static_cast<double>(count);
        m_centred = IsCentredOnAxialPlane(grid);
        m_previous = detector;
    }

    CShortScan::Plan& Scan() { return m_scan; }

    HRESULT Go(IProgress* progress, IProjectionCollection* collection) {
        const LONG units = m_plan.angular ? m_count / 2 : m_count;
        const LONG perUnit = m_plan.angular ? 2 : 1;
        const std::size_t pixels = m_filter.PixelCount();
        // As many filtered projections as stay in the second-level cache
        // together (the detector rows a tile of lines reaches are then hit
        // again by every view), at most kMaxBatch.
        const std::size_t fit = CKarvexReconstruction::kBatchBytes / std::max<std::size_t>(1, pixels * sizeof(float));
        const LONG views = static_cast<LONG>(std::clamp<std::size_t>(fit, 2, CKarvexReconstruction::kMaxBatch));
        const LONG batch = std::max<LONG>(1, views / perUnit);
        m_works.resize(pixels * static_cast<std::size_t>(std::min<LONG>(batch, units) * perUnit));
        BeginProgress(progress, units, u"Backprojecting...");
        for (LONG begin = 0; begin < units; begin += batch) {
            const LONG end = std::min(units, begin + batch);
            m_views.clear();
            for (LONG unit = begin; unit < end; ++unit) AddUnit(collection, unit);
            std::vector<float*> works;
            for (float* w = m_works.data(); w != m_works.data() + pixels * m_used; w += pixels) works.push_back(w);
            m_filter.FilterAll(works, m_threads);
            CVoxelBackprojection::Switches switches = m_switches;
            switches.axialMirror = m_plan.axial && m_centred &&
                                   std::all_of(m_views.begin(), m_views.end(), IsAxiallySymmetric);
            m_plan.batchesMirrored += switches.axialMirror;
            CVoxelBackprojection::Run(m_grid, m_views, m_threads, switches);
            m_used = 0;
            if (!StepAll(progress, end - begin)) return E_ABORT;  // cancelled
        }
        return S_OK;
    }

private:
    // Loads entry n into the next work buffer (weighted, not yet filtered).
    bool Load(IProjectionCollection* collection, LONG n, Loaded* out) {
        IListElement* item = nullptr;
        if (FAILED(collection->GetItem(n, &item)) || !item) return false;
        bool loaded = false;
        if (IProjection* projection = ProjectionOf(item)) {
            if (const float* source = PixelsOf(projection, m_detector, &out->geometry, &m_previous)) {
                out->work = m_works.data() + m_filter.PixelCount() * m_used++;
                m_filter.Load(source, out->work);
                if (m_scan.Weighs()) {
                    CShortScan::ColumnWeights(m_scan, static_cast<std::size_t>(n), m_detector, out->geometry, &m_weights);
                    m_filter.WeighColumns(out->work, m_weights);
                }
                m_previous = out->geometry;
                loaded = true;
            }
        }
        item->Unload();
        return loaded;
    }

    View ViewOf(const Loaded& p) const {
        View v = CVoxelBackprojection::MakeView(m_detector, p.geometry, p.work);
        // Distances and field of view of this projection, on the detector
        // of the first.
        v.R = p.geometry.R;
        v.D = p.geometry.D;
        v.fov = CFieldOfView::From(v.R, v.D, m_detector.width, m_detector.height);
        v.weightScale = m_turn;
        return v;
    }

    void AddUnit(IProjectionCollection* collection, LONG unit) {
        Loaded first, partner;
        const bool hasFirst = Load(collection, unit, &first);
        const bool hasPartner = m_plan.angular && Load(collection, unit + m_count / 2, &partner);
        if (hasFirst) m_views.push_back(ViewOf(first));
        if (!hasPartner) return;
        if (hasFirst && IsOpposite(first.geometry, partner.geometry)) {
            m_views.push_back(CVoxelBackprojection::Opposite(m_views.back(), partner.work));
            ++m_plan.pairsOpposite;
        } else {
            m_views.push_back(ViewOf(partner));
        }
    }

    const CVolumeGrid& m_grid;
    const CProjectionGeometry& m_detector;
    const CProjectionFilter& m_filter;
    LONG m_count;
    int m_threads;
    CKarvexReconstruction::Plan& m_plan;
    CVoxelBackprojection::Switches m_switches;
    double m_turn = 0;
    bool m_centred = false;
    std::vector<float> m_works;
    std::size_t m_used = 0;
    std::vector<View> m_views;
    CProjectionGeometry m_previous;
    CShortScan::Plan m_scan;
    std::vector<float> m_weights;
};

}  // namespace

HRESULT CKarvexReconstruction::ProcessCollection(IProgress* progress, IProjectionCollection* collection,
                                                 IVolume* volume, Options& options, Plan* planOut) const {
    if (!progress || !collection || !volume) return E_POINTER;
    try {
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
        CProjectionGeometry detector;
        if (const HRESULT hr = ReadFirstAvailableGeometry(collection, count, &detector); FAILED(hr)) return hr;

        BeginProgress(progress, 1, u"Initializing...");
        Plan plan;
        std::unique_ptr<CProjectionFilter> filter;
        if (options.filtering) {
            filter = CProjectionFilter::Create(detector, m_threads,
                                               {true, options.pad, options.realFft, static_cast<int>(options.filterWindow),
                                                options.filterCutoff / 100.0});
            // Without a farm the renderer carries on unfiltered, for good.
            if (!filter) options.filtering = false;
        }
        if (!filter) filter = CProjectionFilter::Create(detector, m_threads, {false, false, true});
        if (!filter) return E_FAIL;
        plan.filtering = filter->IsFiltering();
        plan.filterLength = filter->Length();
        plan.angular = options.symmetry && count % 2 == 0;
        plan.axial = options.symmetry && detector.rows % 2 == 0;
        plan.indexSkip = options.interpolationMode == 0 && options.skipInterpolation;
        std::unique_ptr<CDetectorIndexTable> table;
        if (options.indexLut && options.fixedPoint && options.interpolationMode != 1)
            table = CDetectorIndexTable::Create(detector.width, detector.height, detector.du, detector.dv,
                                                detector.columns, detector.rows);
        plan.indexTable = table != nullptr;
        if (progress->Step() == E_ABORT) return E_ABORT;  // cancelled

        Run run(options, grid, detector, *filter, table.get(), count, m_threads, plan);
        if (options.shortScan) {
            if (const HRESULT hr = CShortScan::Read(collection, count, detector, &run.Scan()); FAILED(hr)) return hr;
        }
        const bool uneven = options.shortScan && run.Scan().coverage == CShortScan::Coverage::uneven;
        const HRESULT hr = run.Go(progress, collection);
        if (planOut) *planOut = plan;
        return SUCCEEDED(hr) && uneven ? VOXMILL_S_UNEVENCOVERAGE : hr;
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
}

}  // namespace voxmill
