// Writes two PNGs for a person to check the comparison's look: the
// central Y slice of the difference volume in a slice window, shown in the
// diverging colour map at 400 %, and the report window of "Compare with
// Volume...":
//   xvfb-run -a -s "-screen 0 1600x1000x24" voxmill_comparison_snapshot
//       reference.vol measured.vol slice.png report.png
#include <QApplication>
#include <QMdiArea>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>

#include "imaging/ui/ColourMapMenu.h"
#include "imaging/ui/SurfaceChildFrame.h"
#include "reconstruction/Slice.h"
#include "reconstruction/Slicing.h"
#include "reconstruction/ui/SliceView.h"
#include "tests/app/ui/UiTestSupport.h"
#include "tests/reconstruction/ui/ReconstructionUiSupport.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

// A volume window holding a copy of the volume at `path`, titled by the file.
CVolumeView* OpenCopy(ReconstructionWorkbench& bench, const std::string& path) {
    CVolume file;
    file.m_bAutoDelete = false;
    file.Open(path);
    auto* volume = static_cast<CVolume*>(bench.Frame().NewDocument(bench.Template(132)));
    if (!volume || !volume->Allocate(file.GetDimX(), file.GetDimY(), file.GetDimZ(), file.GetCountX(),
                                     file.GetCountY(), file.GetCountZ()))
        return nullptr;
    std::memcpy(volume->GetVoxels(), file.GetVoxels(), file.GetVoxelCount() * sizeof(float));
    volume->SetTitle(file.GetTitle());
    volume->UpdateAllViews(nullptr);
    CChildFrame* frame = ReconstructionWorkbench::FrameOf(*volume);
    return frame ? dynamic_cast<CVolumeView*>(frame->GetView()) : nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s <reference.vol> <measured.vol> <slice.png> <report.png>\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    qputenv("VOXMILL_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
    qputenv("VOXMILL_SETTINGS", dir.filePath(QStringLiteral("settings.ini")).toLocal8Bit());
    int status = 1;
    ReconstructionWorkbench bench;
    CVolumeView* reference = OpenCopy(bench, argv[1]);
    CVolumeView* measured = OpenCopy(bench, argv[2]);
    if (!reference || !measured) return 1;
    CChildFrame* frame = measured->CompareWithVolume(*reference->GetVolume(), QString::fromLocal8Bit(argv[1]));
    auto* difference = frame ? dynamic_cast<CVolume*>(frame->GetDocument()) : nullptr;
    if (!difference || !measured->LastReport()) return 1;

    CSliceCollection slices;
    slices.m_bAutoDelete = false;
    SliceVolume(*difference, kSliceAxisY, slices);
    CSlice* central = slices.GetSlice(slices.GetCount() / 2);
    if (!central) return 1;
    QMdiArea mdi;
    mdi.resize(420, 420);
    mdi.show();
    auto* sliceFrame = new CSurfaceChildFrame;
    auto* view = new CSliceView;
    sliceFrame->AttachView(view, *central);
    mdi.addSubWindow(sliceFrame);
    sliceFrame->InitialUpdateFrame();
    view->ColourMaps()->Action(ColourMapKind::diverging)->trigger();
    view->ZoomAction(400)->trigger();
    mdi.resize(sliceFrame->size() + QSize(20, 20));

    QTimer::singleShot(500, [&] {
        const bool slice = mdi.grab().save(QString::fromLocal8Bit(argv[3]));
        const bool report = measured->LastReport()->grab().save(QString::fromLocal8Bit(argv[4]));
        status = slice && report ? 0 : 1;
        // Nothing to save: quitting asks no questions.
        for (CVolume* volume : bench.Volumes()) volume->SetModifiedFlag(false);
        app.quit();
    });
    app.exec();
    sliceFrame->DestroyWindow();
    FlushDeletes();
    return status;
}
