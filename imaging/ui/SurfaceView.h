// The float image view: a CSurface (and, through derived views, a
// projection or a slice) in the image view. Its grey window follows the
// float rule of the core's grey mapping, its read-out prints "%.3f", and
// a line drawn with the liner tool sends a profile of 100 samples, with
// the line's physical ends, to the application's plot server and shows it.
#pragma once

#include "imaging/ui/ImageView.h"

namespace voxmill {

class CPlotServer;
class CSurface;

class CSurfaceView : public CImageView {
    Q_OBJECT

public:
    static constexpr int kProfileSamples = 100;

    explicit CSurfaceView(QWidget* parent = nullptr);
    ~CSurfaceView() override;

    CSurface* GetSurface() const;

    // The profile of a line between two pixels as the liner tool takes it.
    std::vector<float> LineProfile(PixelIndex start, PixelIndex end) const;
    // Where profiles go: the application's plot server unless one was set.
    CPlotServer* PlotServer() const;
    void SetPlotServer(CPlotServer* server) { m_pPlotServer = server; }

protected:
    bool HasImage() const override;
    std::uint32_t ImageWidth() const override;
    std::uint32_t ImageHeight() const override;
    double ImageDimX() const override;
    double ImageDimY() const override;
    std::unique_ptr<CDib> MakeDisplayBitmap() const override;
    GreyWindow ComputeGreyWindow(int width, int position) const override;
    bool FillWindowedBitmap(CDib& bitmap, float low, float high) const override;
    QString PixelValueText(PixelIndex p) const override;
    void OnLineDrawn(PixelIndex start, PixelIndex end) override;

private:
    CPlotServer* m_pPlotServer = nullptr;
};

}  // namespace voxmill
