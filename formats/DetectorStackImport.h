// Real detector data into a projection collection: a TIFF stack (one page
// per projection) or an HDF5 data set, with optional flat-field (open
// beam) and dark-field images, turned into line integrals
//
//     p = -ln((I - dark) / (flat - dark))      (double precision)
//
// and posed on a circle.
//
// Explicit handling, so that no NaN or infinity ever reaches a projection:
// - a dark field without a flat field is refused (the ratio has no scale);
// - flat - dark must be a finite number above 0 at every pixel, else the
//   import is refused naming the first such pixel (a dark field brighter
//   than the flat, or a dead pixel in the flat);
// - a reading at or below the dark level (I - dark <= 0, no signal) is
//   taken as half a count above it: p = -ln(0.5 / (flat - dark)), the
//   largest attenuation the detector could have told apart; counted as
//   clamped;
// - a non-finite reading (a float stack's NaN or infinity) gives p = 0;
//   counted as unreadable;
// - without flat and dark the values are taken as line integrals already,
//   non-finite ones set to 0 (counted as unreadable).
// Flat and dark stacks of several pages are averaged to one image.
//
// Quantisation: for synthetic readings I = round(F e^-p) + D the error in p
// is at most -ln(1 - e^p / (2F)) (about e^p / (2F)) wherever F e^-p > 1/2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/TiffStack.h"

namespace voxmill {

class CProjectionCollection;

// "file.tif", "file.h5" (data set "/projections", else "/data") or
// "file.h5:/path/to/set"; a TIFF unless the extension is .h5, .hdf5 or .nxs
// or the name carries a ":/" data set path.
struct StackSource {
    std::string file;
    std::string dataSet;  // empty for a TIFF
    bool IsHdf5() const { return !dataSet.empty(); }
    static StackSource Parse(const std::string& text);
};

// Reads the whole stack (a rank-2 HDF5 data set is one image).
// CFileException when unreadable.
ImageStackData ReadImageStack(const StackSource& source);

struct CorrectionCounts {
    std::uint64_t clamped = 0;     // readings at or below the dark level
    std::uint64_t unreadable = 0;  // non-finite readings
};

// Turns `stack` into line integrals in place with the rules above; `flat`
// and `dark` are single images (empty when absent). Throws
// std::invalid_argument, `stack` unchanged, when a field is of another
// size or flat - dark is not positive somewhere.
CorrectionCounts CorrectIntensities(ImageStackData& stack, const ImageStackData& flat, const ImageStackData& dark);

// A stack of several pages averaged to one image (one page is kept).
ImageStackData AveragePages(const ImageStackData& stack);

struct StackImportOptions {
    std::string flat, dark;                 // StackSource texts; empty when absent
    double sourceDistance = 4.0;            // Ds, source to rotation axis
    double detectorDistance = 4.0;          // Dd, rotation axis to detector
    double detectorWidth = 0, detectorHeight = 0;  // 0: width 1, height by the pixels' aspect
    double startDegrees = 0, endDegrees = 360;     // member k at start + k (end - start) / N
    bool geometryGiven = false;             // any of the five above given explicitly
    // Linked: member k is written as "<linkStem>.<k>.PRJ" and staged, so a
    // failed save of the collection keeps the previous member files.
    bool linked = false;
    std::string linkStem;
};

struct StackImportReport {
    std::size_t count = 0;
    std::uint32_t columns = 0, rows = 0;
    CorrectionCounts counts;
    bool geometryFromFile = false;  // an HDF5 projection export's own geometry was used
};

// Replaces the collection's members by the stack's images. All or nothing:
// every check (sizes, fields, geometry, a writable member path) happens
// before the collection is touched. An HDF5 file that holds source,
// detector_centre, detector_h, detector_v and detector_size tables beside
// the data set (the HDF5 projection export) is posed by them unless
// geometry options were given. `progress(done, total)` is called once per
// projection made.
StackImportReport ImportDetectorStack(CProjectionCollection& collection, const std::string& input,
                                      const StackImportOptions& options,
                                      const std::function<void(std::size_t, std::size_t)>& progress = {});

}  // namespace voxmill
