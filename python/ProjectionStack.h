// Projections as Python sees them: a float32 stack (N, rows, columns) and a
// per-projection geometry (source, detector centre, H, V, detector size),
// and the projection collection the core reads, built over that stack.
//
// A ProjectionStack lends the stack's memory to its projections (no pixel
// is copied) and keeps the array alive as long as the collection exists.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "python/Arrays.h"

namespace voxmill {
class CProjection;
class CProjectionCollection;
struct ProjectorPageValues;
}  // namespace voxmill

namespace voxmill::python {

// Where one projection was taken from: world units, absolute frame.
struct ProjectionPose {
    double source[3] = {0, 0, 0};
    double center[3] = {0, 0, 0};
    double horizontal[3] = {1, 0, 0};
    double vertical[3] = {0, 1, 0};
    double size[2] = {0, 0};  // detector dimX, dimY

    static ProjectionPose Of(const CProjection& projection);
};

struct ProjectionGeometry {
    std::vector<ProjectionPose> poses;
    std::uint32_t columns = 0, rows = 0;

    // The poses a projector run with these values gives its snapshots.
    static ProjectionGeometry OfCircle(const ProjectorPageValues& values);
    // Gives the projection pose k over `lentPixels` (null: its own block).
    // False when the projection refuses the geometry.
    bool Place(std::size_t k, CProjection& projection, float* lentPixels) const;
};

class ProjectionStack {
public:
    // ValueError when the geometry does not match the array's shape.
    ProjectionStack(const pybind11::handle& pixels, ProjectionGeometry geometry);
    ~ProjectionStack();
    ProjectionStack(const ProjectionStack&) = delete;
    ProjectionStack& operator=(const ProjectionStack&) = delete;

    CProjectionCollection& Collection() { return *m_collection; }
    const ProjectionGeometry& Geometry() const { return m_geometry; }
    // The pixels the collection's projections hold, as one array viewing
    // their memory (the array handed in, when it was float32 C order).
    pybind11::array Pixels(const pybind11::object& self) const;

private:
    FloatArray m_pixels;
    ProjectionGeometry m_geometry;
    std::unique_ptr<CProjectionCollection> m_collection;
};

void BindProjectionGeometry(pybind11::module_& m);

}  // namespace voxmill::python
