// The image view's hooks for one image class: the float image (CSurface)
// and the 8-bit image (CSurfacei) have the same accessors, so one template
// answers for both and a fix lands in both views. What differs goes through
// two overloads: the grey window rule (floating point, or whole numbers
// with truncating divisions) and the read-out format ("%.3f" or "%d").
//
// A line drawn with the liner tool sends a profile of 100 samples, with the
// line's physical ends, to the application's plot server and shows it; the
// 8-bit view plots its byte values the same way.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "app/ui/PlotServer.h"
#include "imaging/GreyMap.h"
#include "imaging/Surface.h"
#include "imaging/Surfacei.h"
#include "imaging/dib/Dib.h"
#include "imaging/ui/ColourMapMenu.h"
#include "imaging/ui/ImageView.h"

namespace voxmill {

inline GreyWindow ViewGreyWindow(const CSurface& s, int width, int position) {
    return FloatGreyWindow(s.GetMinValue(), s.GetMaxValue(), width, position);
}
inline GreyWindow ViewGreyWindow(const CSurfacei& s, int width, int position) {
    return IntegerGreyWindow(s.GetMinValue(), s.GetMaxValue(), width, position);
}
inline QString PixelReadout(float v) { return QString::asprintf("%.3f", static_cast<double>(v)); }
inline QString PixelReadout(std::uint8_t v) { return QString::asprintf("%d", static_cast<int>(v)); }

template <class Image>
class CImageViewOf : public CImageView {
public:
    static constexpr int kProfileSamples = 100;

    explicit CImageViewOf(QWidget* parent = nullptr) : CImageView(parent) {
        // The 8-bit pictures keep their grey levels.
        ColourMaps()->SetOffered(kFloatImage);
    }

    Image* GetImage() const { return dynamic_cast<Image*>(GetDocument()); }

    // The profile of a line between two pixels as the liner tool takes it.
    std::vector<float> LineProfile(PixelIndex start, PixelIndex end) const {
        std::vector<float> values;
        if (!HasImage()) return values;
        values.reserve(kProfileSamples);
        for (const PixelIndex& p : LineSamplePixels(start, end, kProfileSamples)) values.push_back(ValueAt(p));
        return values;
    }
    // Where profiles go: the application's plot server unless one was set.
    CPlotServer* PlotServer() const { return m_pPlotServer ? m_pPlotServer : CPlotServer::ApplicationServer(); }
    void SetPlotServer(CPlotServer* server) { m_pPlotServer = server; }

protected:
    bool HasImage() const override {
        const Image* s = GetImage();
        return s && s->HasPixels() && s->GetWidth() > 0 && s->GetHeight() > 0;
    }
    std::uint32_t ImageWidth() const override { return HasImage() ? GetImage()->GetWidth() : 0; }
    std::uint32_t ImageHeight() const override { return HasImage() ? GetImage()->GetHeight() : 0; }
    double ImageDimX() const override { return GetImage() ? GetImage()->GetDimX() : 0.0; }
    double ImageDimY() const override { return GetImage() ? GetImage()->GetDimY() : 0.0; }
    std::unique_ptr<CDib> MakeDisplayBitmap() const override { return HasImage() ? GetImage()->MakeBitmap() : nullptr; }
    GreyWindow ComputeGreyWindow(int width, int position) const override {
        return GetImage() ? ViewGreyWindow(*GetImage(), width, position) : GreyWindow{};
    }
    bool FillWindowedBitmap(CDib& bitmap, float low, float high) const override {
        return HasImage() && GetImage()->FillBitmap(bitmap, low, high);
    }
    QImage ColourImage(ColourMapKind kind, const GreyWindow* window) const override {
        if constexpr (kFloatImage) {
            if (!HasImage()) return {};
            const Image& s = *GetImage();
            return ColourMappedImage(s.GetPixels(), s.GetWidth(), s.GetHeight(), kind,
                                     window ? window->low : s.GetMinValue(), window ? window->high : s.GetMaxValue());
        } else {
            return {};
        }
    }
    QString PixelValueText(PixelIndex p) const override {
        if (!HasImage()) return {};
        return PixelReadout(
            GetImage()->GetPixel(static_cast<std::uint32_t>(p.column), static_cast<std::uint32_t>(p.row)));
    }
    void OnLineDrawn(PixelIndex start, PixelIndex end) override {
        CPlotServer* server = PlotServer();
        if (!server || !HasImage()) return;
        const Image& s = *GetImage();
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
        // Named by its image and its pixels, as the status pane showed the
        // line while it was drawn: curves of several images stay apart.
        const QString name = FrameTitle() + QStringLiteral(": ") +
                             QString::asprintf("Line from [%d,%d] to [%d,%d]", start.column, start.row, end.column,
                                               end.row);
        server->AddPlot(static_cast<int>(values.size()), values.data(), info, name);
        server->Run(this);
    }

private:
    static constexpr bool kFloatImage = std::is_same_v<Image, CSurface>;

    float ValueAt(PixelIndex p) const {
        return static_cast<float>(
            GetImage()->GetPixel(static_cast<std::uint32_t>(p.column), static_cast<std::uint32_t>(p.row)));
    }
    static std::uint32_t FloatBits(double v) {
        const auto f = static_cast<float>(v);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        return bits;
    }

    CPlotServer* m_pPlotServer = nullptr;
};

}  // namespace voxmill
