// The projector's hot loop, kept apart from the document so that the
// benchmark and the tests can drive it with a fixed thread count.
#pragma once

namespace voxmill {

class CPhantom;
class CProjection;

// Adds sum(MU x chord) over the phantom's elements to every pixel of the
// projection, using the source position and the detector matrix the
// projection carries; rayMode 0 traces the pixel centre, 1 the centre and
// the four quarter centres (their mean chord), anything else adds nothing.
// Rows are spread over `threads` threads; each pixel still sums its
// elements in list order, so every thread count gives the same bits.
// False, touching nothing, when the image has no pixels or its size is
// not the detector's pixel counts.
bool TraceProjection(const CPhantom& phantom, CProjection& projection, int rayMode, unsigned threads);

}  // namespace voxmill
