// A projection of a circular cone-beam scan as the program hands it over:
// source S = (Ds sin t, 0, Ds cos t), detector centre (-Dd sin t, 0,
// -Dd cos t), axes H = (cos t, 0, -sin t), V = (0, 1, 0), N = H x V, and
// the rotation matrix with columns H, V, N. Pixels hold the line integrals
// of an analytic phantom along the rays through the pixel centres.
#pragma once

#include <cmath>
#include <vector>

#include "contract/Projection.h"
#include "tests/renderers/common/AnalyticPhantom.h"
#include "tests/renderers/common/FakeUnknown.h"

namespace voxmill::test {

struct Acquisition {
    double Ds = 4, Dd = 4;           // source-axis, axis-detector distances
    double width = 4, height = 4;    // detector size
    int columns = 64, rows = 64;
    double detectorShift = 0;        // height of the detector centre above y = 0
};

class FakeProjection : public FakeUnknown<IProjection, &IID_IProjection> {
public:
    FakeProjection(const Acquisition& a, double theta) : m_acq(a), m_theta(theta) {
        m_pixels.assign(static_cast<std::size_t>(std::max(a.columns, 0)) * std::max(a.rows, 0), 0.0f);
    }

    void Project(const AnalyticPhantom& phantom) {
        const double s = std::sin(m_theta), c = std::cos(m_theta);
        const double source[3] = {m_acq.Ds * s, 0, m_acq.Ds * c};
        const double du = m_acq.width / m_acq.columns, dv = m_acq.height / m_acq.rows;
        for (int r = 0; r < m_acq.rows; ++r) {
            for (int col = 0; col < m_acq.columns; ++col) {
                const double u = (du - m_acq.width) / 2 + col * du;
                const double v = (m_acq.height - dv) / 2 - r * dv;
                const double pixel[3] = {-m_acq.Dd * s + u * c, v + m_acq.detectorShift, -m_acq.Dd * c - u * s};
                m_pixels[static_cast<std::size_t>(r) * m_acq.columns + col] =
                    static_cast<float>(phantom.LineIntegral(source, pixel));
            }
        }
    }

    HRESULT GetGeometry(float* width, float* height, float* uMin, float* vMin, float* uMax, float* vMax,
                        float* du, float* dv, LONG* columns, LONG* rows) override {
        const double pu = m_acq.width / m_acq.columns, pv = m_acq.height / m_acq.rows;
        *width = static_cast<float>(m_acq.width);
        *height = static_cast<float>(m_acq.height);
        *uMin = static_cast<float>((pu - m_acq.width) / 2);
        *uMax = -*uMin;
        *vMin = static_cast<float>((pv - m_acq.height) / 2);
        *vMax = -*vMin;
        *du = static_cast<float>(pu);
        *dv = static_cast<float>(pv);
        *columns = m_acq.columns;
        *rows = m_acq.rows;
        return S_OK;
    }
    HRESULT GetSourcePosition(float* x, float* y, float* z) override {
        *x = static_cast<float>(m_acq.Ds * std::sin(m_theta));
        *y = 0;
        *z = static_cast<float>(m_acq.Ds * std::cos(m_theta));
        return S_OK;
    }
    HRESULT GetDetectorPosition(float* x, float* y, float* z) override {
        *x = static_cast<float>(-m_acq.Dd * std::sin(m_theta));
        *y = static_cast<float>(m_acq.detectorShift);
        *z = static_cast<float>(-m_acq.Dd * std::cos(m_theta));
        return S_OK;
    }
    HRESULT GetMatrix(double* m) override {
        if (m_singular) {
            for (int n = 0; n < 16; ++n) m[n] = 0;
            return S_OK;
        }
        const double s = std::sin(m_theta), c = std::cos(m_theta);
        const double H[3] = {c, 0, -s}, V[3] = {0, 1, 0}, N[3] = {s, 0, c};
        for (int r = 0; r < 3; ++r) {
            m[4 * r + 0] = H[r];
            m[4 * r + 1] = V[r];
            m[4 * r + 2] = N[r];
            m[4 * r + 3] = 0;
        }
        m[12] = m[13] = m[14] = 0;
        m[15] = 1;
        return S_OK;
    }
    HRESULT GetData(float** pixels) override {
        if (!m_loaded) m_readWhileUnloaded = true;
        *pixels = m_nullData ? nullptr : m_pixels.data();
        return S_OK;
    }

    std::vector<float>& Pixels() { return m_pixels; }
    const Acquisition& Geometry() const { return m_acq; }
    void SetNullData() { m_nullData = true; }
    void SetSingular() { m_singular = true; }
    // Collections load and unload their entries; a lone projection is loaded.
    void SetLoaded(bool loaded) { m_loaded = loaded; }
    bool WasReadWhileUnloaded() const { return m_readWhileUnloaded; }

private:
    Acquisition m_acq;
    double m_theta;
    std::vector<float> m_pixels;
    bool m_nullData = false;
    bool m_singular = false;
    bool m_loaded = true;
    bool m_readWhileUnloaded = false;
};

}  // namespace voxmill::test
