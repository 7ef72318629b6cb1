// A volume over a buffer owned by the test, with the grid of the contract:
// pitch = dim / n, first centre (pitch - dim) / 2, x up with i, y and z
// down with j and k.
#pragma once

#include <cmath>
#include <vector>

#include "contract/Volume.h"
#include "tests/renderers/common/FakeUnknown.h"

namespace voxmill::test {

class FakeVolume : public FakeUnknown<IVolume, &IID_IVolume> {
public:
    FakeVolume(double dimX, double dimY, double dimZ, int nX, int nY, int nZ)
        : m_dim{dimX, dimY, dimZ}, m_n{nX, nY, nZ} {
        m_voxels.assign(static_cast<std::size_t>(std::max(nX, 0)) * std::max(nY, 0) * std::max(nZ, 0), 0.0f);
    }
    // A cube of n^3 voxels over `dim` units.
    FakeVolume(double dim, int n) : FakeVolume(dim, dim, dim, n, n, n) {}

    HRESULT GetGeometry(float* dimX, float* dimY, float* dimZ, float* xMin, float* yMin, float* zMin,
                        float* xMax, float* yMax, float* zMax, float* pitchX, float* pitchY, float* pitchZ,
                        LONG* nX, LONG* nY, LONG* nZ) override {
        float* dims[3] = {dimX, dimY, dimZ};
        float* mins[3] = {xMin, yMin, zMin};
        float* maxs[3] = {xMax, yMax, zMax};
        float* pitches[3] = {pitchX, pitchY, pitchZ};
        LONG* counts[3] = {nX, nY, nZ};
        for (int a = 0; a < 3; ++a) {
            *dims[a] = static_cast<float>(m_dim[a]);
            *pitches[a] = static_cast<float>(Pitch(a));
            *mins[a] = static_cast<float>(First(a));
            *maxs[a] = -*mins[a];
            *counts[a] = m_n[a];
        }
        return S_OK;
    }
    HRESULT GetData(float** voxels) override {
        *voxels = m_nullData ? nullptr : m_voxels.data();
        return S_OK;
    }

    double Pitch(int axis) const { return m_dim[axis] / m_n[axis]; }
    double First(int axis) const { return (Pitch(axis) - m_dim[axis]) / 2; }
    // Voxel centres (contract: x = xMin + i pitch, y = yMax - j pitch, z = zMax - k pitch).
    double X(int i) const { return First(0) + i * Pitch(0); }
    double Y(int j) const { return -First(1) - j * Pitch(1); }
    double Z(int k) const { return -First(2) - k * Pitch(2); }

    int N(int axis) const { return m_n[axis]; }
    float& At(int i, int j, int k) {
        return m_voxels[static_cast<std::size_t>(i) + static_cast<std::size_t>(m_n[0]) * (j + static_cast<std::size_t>(m_n[1]) * k)];
    }
    std::vector<float>& Voxels() { return m_voxels; }
    void SetNullData() { m_nullData = true; }

private:
    double m_dim[3];
    int m_n[3];
    std::vector<float> m_voxels;
    bool m_nullData = false;
};

}  // namespace voxmill::test
