#include "imaging/ui/SurfaceView.h"

#include <cstring>

#include "app/ui/PlotServer.h"
#include "imaging/Surface.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

std::uint32_t FloatBits(double v) {
    const auto f = static_cast<float>(v);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

}  // namespace

CSurfaceView::CSurfaceView(QWidget* parent) : CImageView(parent) {}

CSurfaceView::~CSurfaceView() { DetachFromDocument(); }

CSurface* CSurfaceView::GetSurface() const { return dynamic_cast<CSurface*>(GetDocument()); }

bool CSurfaceView::HasImage() const {
    const CSurface* s = GetSurface();
    return s && s->HasPixels() && s->GetWidth() > 0 && s->GetHeight() > 0;
}

std::uint32_t CSurfaceView::ImageWidth() const { return HasImage() ? GetSurface()->GetWidth() : 0; }

std::uint32_t CSurfaceView::ImageHeight() const { return HasImage() ? GetSurface()->GetHeight() : 0; }

double CSurfaceView::ImageDimX() const { return GetSurface() ? GetSurface()->GetDimX() : 0.0; }

double CSurfaceView::ImageDimY() const { return GetSurface() ? GetSurface()->GetDimY() : 0.0; }

std::unique_ptr<CDib> CSurfaceView::MakeDisplayBitmap() const {
    return HasImage() ? GetSurface()->MakeBitmap() : nullptr;
}

GreyWindow CSurfaceView::ComputeGreyWindow(int width, int position) const {
    const CSurface* s = GetSurface();
    if (!s) return {};
    return FloatGreyWindow(s->GetMinValue(), s->GetMaxValue(), width, position);
}

bool CSurfaceView::FillWindowedBitmap(CDib& bitmap, float low, float high) const {
    return HasImage() && GetSurface()->FillBitmap(bitmap, low, high);
}

QString CSurfaceView::PixelValueText(PixelIndex p) const {
    if (!HasImage()) return {};
    const auto v = GetSurface()->GetPixel(static_cast<std::uint32_t>(p.column), static_cast<std::uint32_t>(p.row));
    return QString::asprintf("%.3f", static_cast<double>(v));
}

std::vector<float> CSurfaceView::LineProfile(PixelIndex start, PixelIndex end) const {
    std::vector<float> values;
    if (!HasImage()) return values;
    const CSurface& s = *GetSurface();
    values.reserve(kProfileSamples);
    for (const PixelIndex& p : LineSamplePixels(start, end, kProfileSamples))
        values.push_back(s.GetPixel(static_cast<std::uint32_t>(p.column), static_cast<std::uint32_t>(p.row)));
    return values;
}

CPlotServer* CSurfaceView::PlotServer() const {
    return m_pPlotServer ? m_pPlotServer : CPlotServer::ApplicationServer();
}

void CSurfaceView::OnLineDrawn(PixelIndex start, PixelIndex end) {
    CPlotServer* server = PlotServer();
    if (!server || !HasImage()) return;
    const CSurface& s = *GetSurface();
    const double x0 = start.column * s.GetPitchX() + s.GetFirstX(), y0 = start.row * s.GetPitchY() + s.GetFirstY();
    const double x1 = end.column * s.GetPitchX() + s.GetFirstX(), y1 = end.row * s.GetPitchY() + s.GetFirstY();
    // The line's physical ends as floats, then its pixels.
    const CPlotServer::PlotInfo info = {FloatBits(x0),
                                        FloatBits(y0),
                                        FloatBits(x1),
                                        FloatBits(y1),
                                        static_cast<std::uint32_t>(start.column),
                                        static_cast<std::uint32_t>(start.row),
                                        static_cast<std::uint32_t>(end.column),
                                        static_cast<std::uint32_t>(end.row)};
    const std::vector<float> values = LineProfile(start, end);
    // Named by its pixels, as the status pane showed the line while it was drawn.
    const QString name =
        QString::asprintf("Line from [%d,%d] to [%d,%d]", start.column, start.row, end.column, end.row);
    server->AddPlot(static_cast<int>(values.size()), values.data(), info, name);
    server->Run(this);
}

}  // namespace voxmill
