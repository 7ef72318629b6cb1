// Not a test: puts a cine window with its thumbnails and one slide's 8-bit
// window, with its grey window moved, on the screen and saves a picture of
// the screen (run under xvfb-run). Usage: voxmill-cine-screenshot OUT.png
#include <QApplication>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "tests/hardware/ui/CineUiSupport.h"

namespace {

using namespace voxmill;

constexpr double kPi = 3.14159265359;

// The frame a camera would see of a head-like object at angle theta: the
// line integrals of a few ellipses (one moving off the axis with theta)
// as transmission round(255 exp(-p)).
std::uint8_t HeadFrame(double theta, std::uint32_t c, std::uint32_t r, std::uint32_t n) {
    struct Ellipse {
        double cx, cy, a, b, mu;
    };
    const Ellipse parts[] = {{0, 0, 0.69, 0.92, 1.6},
                             {0, -0.02, 0.66, 0.87, -1.2},
                             {0.3 * std::sin(theta), 0.1, 0.16, 0.35, 0.8},
                             {-0.2 * std::cos(theta), -0.4, 0.12, 0.12, 1.5}};
    const double x = (c + 0.5) * 2.0 / n - 1.0, y = 1.0 - (r + 0.5) * 2.0 / n;
    double p = 0;
    for (const Ellipse& e : parts) {
        const double q = 1 - (x - e.cx) * (x - e.cx) / (e.a * e.a) - (y - e.cy) * (y - e.cy) / (e.b * e.b);
        if (q > 0) p += e.mu * 2 * e.a * std::sqrt(q);
    }
    return static_cast<std::uint8_t>(std::lround(255.0 * std::exp(-std::max(p, 0.0))));
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("cine.png");
    auto bench = std::make_unique<test::CineWorkbench>();
    bench->Frame().setGeometry(0, 0, 1180, 720);

    auto* cine = bench->New<CSlideCollection>(146);
    if (!cine) return 1;
    cine->SetTitle("head.sds");
    constexpr std::uint32_t kSide = 128;
    constexpr int kFrames = 12;
    for (int k = 0; k < kFrames; ++k) {
        auto* slide = static_cast<CSlide*>(cine->AddSlide()->m_pElement);
        const double theta = 2 * kPi * k / kFrames;
        test::FillSlide(*slide, kSide, kSide, theta, [&](auto c, auto r) { return HeadFrame(theta, c, r, kSide); });
    }
    cine->UpdateAllViews(nullptr);
    CChildFrame* cineFrame = test::CineWorkbench::FrameOf(*cine);
    auto* cineView = test::CineWorkbench::ViewOf<CSlideCollectionView>(*cine);
    if (!cineFrame || !cineView) return 1;
    cineFrame->setGeometry(8, 8, 600, 520);
    cineFrame->UpdateTitle();

    CChildFrame* slideFrameBase = cineView->OpenMember(3);
    auto* slideFrame = dynamic_cast<CSurfaceChildFrame*>(slideFrameBase);
    auto* slideView = slideFrame ? dynamic_cast<CSlideView*>(slideFrame->GetView()) : nullptr;
    if (!slideView) return 1;
    slideFrame->move(620, 8);
    slideView->SetZoom(200);
    // A window on the head's own levels: the soft parts stand out and the
    // open beam around it saturates.
    slideFrame->WidthSlider()->setValue(400);
    slideFrame->PositionSlider()->setValue(400);
    const QString window = slideFrame->StatusText();
    bench->Frame().raise();

    QTimer::singleShot(800, [&] {
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        const bool saved = shot.save(out);
        std::printf("%s %s (%zu slides, status \"%s\")\n", saved ? "saved" : "could not save", qPrintable(out),
                    cine->GetCount(), qPrintable(window));
        QApplication::exit(saved ? 0 : 1);
    });
    const int status = QApplication::exec();
    bench.reset();
    return status;
}
