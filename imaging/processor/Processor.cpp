#include "imaging/processor/Processor.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/Target.h"
#include "imaging/Surface.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

CSurface* ImageOf(const CListElementStub& stub) { return dynamic_cast<CSurface*>(stub.m_pElement); }

}  // namespace

// A linked member's warped record, written aside and waiting to be put in
// place; the file is removed unless it was.
struct CProcessor::Staged {
    CListElementStub* stub = nullptr;
    std::string written;
    std::unique_ptr<CDib> thumbnail;
    bool wasLoaded = false;

    Staged() = default;
    Staged(Staged&& other) noexcept
        : stub(other.stub), written(std::move(other.written)), thumbnail(std::move(other.thumbnail)),
          wasLoaded(other.wasLoaded) {
        other.written.clear();  // the moved-from one owns no file any more
    }
    Staged& operator=(Staged&&) = delete;
    ~Staged() {
        if (!written.empty()) std::remove(written.c_str());
    }
    void Adopt() {
        const std::string file = std::move(written);
        written.clear();  // renamed, or removed by the stub
        stub->AdoptWritten(file);
    }
};

VOXMILL_IMPLEMENT_DYNCREATE(CProcessor, COperator)

CProcessor::CProcessor() = default;

CProcessor::~CProcessor() = default;

void CProcessor::Serialize(CArchive&) {}

bool CProcessor::AcceptsTarget(std::uint16_t targetType) { return targetType == kTargetProjectionCollection; }

ProcessorReport CProcessor::Process(CDocument* target, const WarpValues& values) {
    ProcessorReport report;
    report.problem = values.Problem();
    if (!report.problem.empty()) return report;
    if (!target) {
        report.problem = "No target: drop a projection collection on the Target page first";
        return report;
    }
    auto* collection = dynamic_cast<CProjectionCollection*>(target);
    if (!collection) {
        report.problem = "The target is not a projection collection";
        return report;
    }

    BeginRun(static_cast<unsigned>(collection->GetCount()), kStepText);
    WarpLinked(*collection, values, report);
    if (report.unwritten.empty() && !report.stopped) WarpInPlace(*collection, values, report);
    if (report.stopped) {
        EndCancelledRun();
        return report;
    }
    DropCancelRequest();  // past the linked members' adoption: the warp stays
    // A run given up still ends its progress display.
    while (m_nStep < m_nSteps) Step();
    if (report.warped > 0) {
        collection->SetModifiedFlag();
        collection->UpdateAllViews(nullptr);
    }
    return report;
}

bool CProcessor::StageMember(CProjectionCollection& collection, CListElementStub& stub, const WarpValues& values,
                             std::vector<Staged>& staged, ProcessorReport& report) {
    Staged entry;
    entry.stub = &stub;
    entry.wasLoaded = stub.m_bLoaded;
    // Load first: a linked member's element is made on first use.
    if (!stub.Load()) return false;
    CSurface* image = ImageOf(stub);
    if (!image) return false;
    values.Apply(*image);
    // Written through the collection's pending replacement, so that its
    // next save puts every member in place at once.
    collection.StageLinkedMember(stub);
    try {
        entry.written = stub.WriteAside();
    } catch (const std::exception& e) {
        report.unwritten.push_back(stub.m_strPath + ": " + e.what());
        // Read the member back as its file still holds it.
        stub.Unload();
        if (entry.wasLoaded) stub.Load();
        return true;
    }
    entry.thumbnail.reset(image->MakeThumbnail(CListElementStub::kThumbnailSize, CListElementStub::kThumbnailSize));
    if (!entry.wasLoaded) stub.Unload();
    staged.push_back(std::move(entry));
    return true;
}

void CProcessor::WarpLinked(CProjectionCollection& collection, const WarpValues& values, ProcessorReport& report) {
    std::vector<Staged> staged;
    for (std::size_t i = 0; i < collection.GetCount() && report.unwritten.empty(); ++i) {
        CListElementStub* stub = collection.GetMember(i);
        if (!stub || !stub->m_bLinked) continue;
        if (!StageMember(collection, *stub, values, staged, report)) report.unreadable.push_back(i);
        Step();
        if (CancelRequested()) {
            report.stopped = true;
            break;
        }
    }
    if (!report.unwritten.empty() || report.stopped) {
        // Members that stay loaded get their file's pixels back; the
        // written files go with `staged`.
        for (Staged& entry : staged)
            if (entry.wasLoaded) {
                entry.stub->Unload();
                entry.stub->Load();
            }
        return;
    }
    for (Staged& entry : staged) {
        try {
            entry.Adopt();
        } catch (const std::exception& e) {
            report.unwritten.push_back(entry.stub->m_strPath + ": " + e.what());
            continue;
        }
        entry.stub->m_pThumbnail = std::move(entry.thumbnail);
        if (CSurface* image = ImageOf(*entry.stub)) image->UpdateAllViews(nullptr, CSurface::kHintImageChanged);
        ++report.warped;
    }
}

void CProcessor::WarpInPlace(CProjectionCollection& collection, const WarpValues& values, ProcessorReport& report) {
    // What the warped members held, so that a cancel can put it back; once
    // linked members are in place the run no longer stops.
    struct Before {
        CSurface* image;
        std::vector<float> pixels;
        float minValue, maxValue;
    };
    const bool cancellable = report.warped == 0;
    std::vector<Before> before;
    for (std::size_t i = 0; i < collection.GetCount(); ++i) {
        CListElementStub* stub = collection.GetMember(i);
        if (!stub || stub->m_bLinked) continue;
        if (CSurface* image = ImageOf(*stub)) {
            if (cancellable && image->HasPixels()) {
                const float* pixels = image->GetPixels();
                before.push_back({image, std::vector<float>(pixels, pixels + image->GetPixelCount()),
                                  image->GetMinValue(), image->GetMaxValue()});
            }
            values.Apply(*image);
            stub->m_pThumbnail.reset();  // made again from the warped image when asked for
            image->UpdateAllViews(nullptr, CSurface::kHintImageChanged);
            ++report.warped;
        }
        Step();
        if (cancellable && CancelRequested()) {
            for (Before& b : before) {
                if (b.image->HasPixels() && b.image->GetPixelCount() == b.pixels.size())
                    std::copy(b.pixels.begin(), b.pixels.end(), b.image->GetPixels());
                b.image->SetValueRange(b.minValue, b.maxValue);
                b.image->UpdateAllViews(nullptr, CSurface::kHintImageChanged);
            }
            report.warped = 0;
            report.stopped = true;
            return;
        }
    }
}

}  // namespace voxmill
