#include "imaging/GreyMap.h"

#include "imaging/dib/Dib.h"

namespace voxmill {

GreyWindow FloatGreyWindow(float minValue, float maxValue, int windowWidth, int windowPosition) {
    const double m = minValue, r = static_cast<double>(maxValue) - minValue;
    const double centre = windowPosition * r / (kGreyWindowSliderMax - 1) + m;
    const double half = r * windowWidth / (2.0 * kGreyWindowSliderMax);
    GreyWindow w;
    w.low = static_cast<float>(centre - half);
    w.high = static_cast<float>(centre + half);
    if (!(w.low >= minValue)) w.low = minValue;
    if (w.high > maxValue) w.high = maxValue;
    return w;
}

GreyWindow IntegerGreyWindow(std::uint8_t minValue, std::uint8_t maxValue, int windowWidth, int windowPosition) {
    const int m = minValue, r = static_cast<int>(maxValue) - minValue;
    const int centre = windowPosition * r / (kGreyWindowSliderMax - 1) + m;
    const int half = windowWidth * r / (2 * kGreyWindowSliderMax);
    GreyWindow w;
    w.low = static_cast<float>(centre - half);
    w.high = static_cast<float>(centre + half);
    if (w.low < minValue) w.low = minValue;
    if (w.high > maxValue) w.high = maxValue;
    return w;
}

std::unique_ptr<CDib> NewGreyDib(std::uint32_t width, std::uint32_t height, bool animatedPalette) {
    auto dib = std::make_unique<CDib>(width, height, 8);
    RGBQUAD* table = dib->GetColorTable();
    for (std::uint32_t i = 0; i < dib->GetColorCount(); ++i) {
        const auto g = static_cast<std::uint8_t>(i);
        table[i] = {g, g, g, 0};
    }
    if (animatedPalette)
        dib->MakeAnimatedPalette();
    else
        dib->MakePalette();
    dib->CreateSection();
    return dib;
}

}  // namespace voxmill
