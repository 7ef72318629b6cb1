// The frames a camera behind the detector would record: for a projection of
// line integrals p, the transmitted intensity white x exp(-p) rounded to a
// byte, and the reference frame of the open beam (white everywhere). Both
// carry the projection's size, source and detector, so a cine exposed from
// a simulated acquisition goes down the real-data road ("Generate
// Projections") and back to line integrals within the 8-bit quantisation.
#pragma once

#include <cstdint>

namespace voxmill {

class CProjection;
class CProjectionCollection;
class CSlide;
class CSlideCollection;

inline constexpr std::uint8_t kOpenBeamLevel = 255;

// Fills an empty slide; false (slide unchanged) when the projection has no
// pixels. round(white x exp(-p)), with negative and NaN p taken as 0.
bool ExposeProjection(const CProjection& projection, std::uint8_t white, CSlide& slide);
// The open-beam frame of the same size and geometry.
bool ExposeOpenBeam(const CProjection& projection, std::uint8_t white, CSlide& slide);

// One slide per member of `projections` appended to `cine`, one open-beam
// slide to `reference`, member by member (linked members loaded for the
// moment). Members without pixels give empty slides in both. Returns the
// number of frames exposed.
std::size_t ExposeCollection(CProjectionCollection& projections, std::uint8_t white, CSlideCollection& cine,
                             CSlideCollection& reference);

}  // namespace voxmill
