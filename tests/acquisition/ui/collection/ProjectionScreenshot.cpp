// Not a test: puts a projection window with a grey window applied and the
// plot server with two line profiles on the screen and saves a picture of
// the screen (run under xvfb-run). Usage: voxmill-projection-screenshot OUT.png
#include <QApplication>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "app/ui/PlotServer.h"
#include "tests/acquisition/ui/collection/CollectionUiSupport.h"
#include "tests/imaging/ui/DialogAnswers.h"

namespace {

using namespace voxmill;

struct Ellipsoid {
    double cx, cy, a, b, c, mu;
};

// Line integrals along z through a few ellipsoids: a head-like projection.
void FillHead(CProjection& p) {
    const Ellipsoid parts[] = {{0, 0, 0.69, 0.92, 0.81, 2.0},     {0, -0.02, 0.66, 0.87, 0.78, -0.98},
                               {0.22, 0, 0.11, 0.31, 0.22, -0.4}, {-0.22, 0, 0.16, 0.41, 0.28, -0.4},
                               {0, 0.35, 0.21, 0.25, 0.41, 0.2},  {0, -0.6, 0.05, 0.05, 0.05, 0.3}};
    const std::uint32_t w = p.GetWidth(), h = p.GetHeight();
    for (std::uint32_t r = 0; r < h; ++r) {
        for (std::uint32_t col = 0; col < w; ++col) {
            const double x = p.GetFirstX() + col * p.GetPitchX(), y = p.GetLastY() - r * p.GetPitchY();
            double sum = 0;
            for (const Ellipsoid& e : parts) {
                const double q = 1 - (x - e.cx) * (x - e.cx) / (e.a * e.a) - (y - e.cy) * (y - e.cy) / (e.b * e.b);
                if (q > 0) sum += e.mu * 2 * e.c * std::sqrt(q);
            }
            p.GetPixels()[r * w + col] = static_cast<float>(sum);
        }
    }
    // The range only widens: start it afresh for the new values.
    p.SetValueRange(CSurface::kInitialMinValue, CSurface::kInitialMaxValue);
    p.UpdateRange();
}

void DrawLine(CImageView& view, PixelIndex from, PixelIndex to) {
    const ViewRect r = view.Layout().imageRect;
    const auto at = [&](PixelIndex p) {
        return QPoint(r.left + p.column * r.Width() / 256 + 1, r.top + p.row * r.Height() / 200 + 1);
    };
    view.OnLeftButtonDown(at(from));
    view.OnMouseMove(at(to));
    view.OnLeftButtonUp(at(to));
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("projection.png");

    CPlotServer server;
    CPlotServer::SetApplicationServer(&server);
    auto bench = std::make_unique<test::ImageWorkbench>();
    bench->Frame().setGeometry(0, 0, 700, 660);

    auto* projection = bench->New<CProjection>(129);
    if (!projection || !test::FillProjection(*projection, 256, 200, 0)) return 1;
    projection->SetTitle("head.prj");
    FillHead(*projection);
    projection->UpdateAllViews(nullptr, CSurface::kHintImageChanged);
    auto* frame = dynamic_cast<CSurfaceChildFrame*>(test::ImageWorkbench::FrameOf(*projection));
    auto* view = test::ImageWorkbench::ViewOf<CProjectionView>(*projection);
    if (!frame || !view) return 1;
    frame->move(8, 8);
    frame->UpdateTitle();
    view->SetZoom(200);

    // A narrow window on the soft tissue.
    frame->WidthSlider()->setValue(410);
    frame->PositionSlider()->setValue(712);
    const QString window = frame->StatusText();

    // Two profiles: across the middle and down a diagonal.
    frame->LinerAction()->trigger();
    {
        test::ScopedDialogAnswers answers;
        answers.Accept<CPlotServer>();
        answers.Accept<CPlotServer>();
        DrawLine(*view, {8, 100}, {247, 100});
        DrawLine(*view, {40, 20}, {215, 180});
    }
    // Back to the read-out of the grey window, as after the slider moved.
    frame->PositionSlider()->setValue(713);
    frame->PositionSlider()->setValue(712);

    server.InitDialog();
    server.setGeometry(712, 40, 560, 420);
    server.show();
    bench->Frame().raise();

    QTimer::singleShot(800, [&] {
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        const bool saved = shot.save(out);
        std::printf("%s %s (%d plots, status \"%s\")\n", saved ? "saved" : "could not save", qPrintable(out),
                    static_cast<int>(server.Plots().size()), qPrintable(window));
        QApplication::exit(saved ? 0 : 1);
    });
    const int status = QApplication::exec();
    server.hide();
    bench.reset();
    CPlotServer::SetApplicationServer(nullptr);
    return status;
}
