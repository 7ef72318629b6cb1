// The colour maps: grey is the grey window's level on every channel, the
// diverging map is white at zero and symmetric about it whatever the
// window, the perceptual map follows its table through the grey index.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "imaging/ColourMap.h"
#include "imaging/GreyMap.h"

namespace voxmill {
namespace {

constexpr Rgb kWhite = {255, 255, 255};

TEST(ColourMap, GreyIsTheGreyWindowsLevelOnEveryChannel) {
    const float values[] = {-5.0f, 0.0f, 0.1f, 0.5f, 0.999f, 1.0f, 7.0f, std::numeric_limits<float>::quiet_NaN()};
    for (float v : values) {
        const std::uint8_t g = GreyIndex(v, 0.0f, 1.0f);
        EXPECT_EQ(MapColour(ColourMapKind::grey, v, 0.0f, 1.0f), (Rgb{g, g, g})) << v;
    }
    EXPECT_EQ(MapColour(ColourMapKind::grey, 0.5f, 0.0f, 1.0f), (Rgb{127, 127, 127}));
    // A flat window shows black, as the grey bitmap does.
    EXPECT_EQ(MapColour(ColourMapKind::grey, 3.0f, 3.0f, 3.0f), (Rgb{0, 0, 0}));
}

TEST(ColourMap, DivergingIsWhiteAtZeroAndSymmetricAboutIt) {
    // The larger end of the window sets the scale: 0.5 here.
    const float low = -0.2f, high = 0.5f;
    EXPECT_EQ(MapColour(ColourMapKind::diverging, 0.0f, low, high), kWhite);
    EXPECT_EQ(MapColour(ColourMapKind::diverging, 0.5f, low, high), kDivergingPositive);
    EXPECT_EQ(MapColour(ColourMapKind::diverging, -0.5f, low, high), kDivergingNegative);
    // Beyond the scale the ends hold.
    EXPECT_EQ(MapColour(ColourMapKind::diverging, 9.0f, low, high), kDivergingPositive);
    EXPECT_EQ(MapColour(ColourMapKind::diverging, -9.0f, low, high), kDivergingNegative);
    // Half way: each channel half way from white, rounded.
    EXPECT_EQ(MapColour(ColourMapKind::diverging, 0.25f, low, high), (Rgb{217, 140, 149}));
    EXPECT_EQ(MapColour(ColourMapKind::diverging, -0.25f, low, high), (Rgb{144, 179, 214}));
    // Mirrored windows give the same picture.
    for (float v : {-0.4f, -0.1f, 0.05f, 0.3f})
        EXPECT_EQ(MapColour(ColourMapKind::diverging, v, low, high), MapColour(ColourMapKind::diverging, v, -0.5f, 0.2f));
    // Nothing to scale by, or no value: white.
    EXPECT_EQ(MapColour(ColourMapKind::diverging, 1.0f, 0.0f, 0.0f), kWhite);
    EXPECT_EQ(MapColour(ColourMapKind::diverging, std::numeric_limits<float>::quiet_NaN(), low, high), kWhite);
}

TEST(ColourMap, PerceptualFollowsItsTableThroughTheGreyIndex) {
    EXPECT_EQ(PerceptualEntry(0), (Rgb{0x44, 0x01, 0x54}));
    EXPECT_EQ(PerceptualEntry(255), (Rgb{0xfd, 0xe7, 0x25}));
    EXPECT_EQ(MapColour(ColourMapKind::perceptual, -1.0f, 0.0f, 1.0f), PerceptualEntry(0));
    EXPECT_EQ(MapColour(ColourMapKind::perceptual, 2.0f, 0.0f, 1.0f), PerceptualEntry(255));
    EXPECT_EQ(MapColour(ColourMapKind::perceptual, 0.5f, 0.0f, 1.0f), PerceptualEntry(127));
    // Lightness (Rec. 601 luma) never falls along the table.
    double previous = -1;
    for (int i = 0; i < 256; ++i) {
        const Rgb c = PerceptualEntry(static_cast<std::uint8_t>(i));
        const double luma = 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
        EXPECT_GE(luma, previous - 0.5) << i;
        previous = luma;
    }
}

TEST(ColourMap, NamesRoundTripAndRowsMatchSinglePixels) {
    for (ColourMapKind kind : {ColourMapKind::grey, ColourMapKind::diverging, ColourMapKind::perceptual}) {
        ColourMapKind parsed = ColourMapKind::grey;
        ASSERT_TRUE(ParseColourMap(ColourMapName(kind), parsed));
        EXPECT_EQ(parsed, kind);
        const float values[] = {-1.0f, -0.25f, 0.0f, 0.75f};
        std::uint8_t rgb[12];
        MapColours(kind, values, 4, -1.0f, 1.0f, rgb);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ((Rgb{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]}), MapColour(kind, values[i], -1.0f, 1.0f));
    }
    ColourMapKind kind = ColourMapKind::perceptual;
    EXPECT_FALSE(ParseColourMap("Grey", kind));
    EXPECT_FALSE(ParseColourMap("viridis", kind));
    EXPECT_EQ(kind, ColourMapKind::perceptual);
}

}  // namespace
}  // namespace voxmill
