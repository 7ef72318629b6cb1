#include "renderers/common/VoxelBackprojection.h"

// GCC 12 reports its own AVX-512 intrinsics' undefined-vector idiom as
// "may be used uninitialized" wherever they inline.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>

#include "renderers/common/Parallel.h"

namespace voxmill {
namespace {

using Fixed = CFixedPoint;

// Every instruction set does the same IEEE and integer operations in the
// same order, so the clone taken never changes a bit.
#define VOXMILL_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))

// What every voxel of one (x, z) column shares within one view.
struct ColumnTable {
    std::vector<float> w;        // weight
    std::vector<int> col;        // detector column, -1 when unusable
    // Floating point.
    std::vector<double> m;       // magnification, a float value
    std::vector<double> vTop;    // vMax + h
    std::vector<double> u;       // lateral coordinate on the detector
    // Fixed point. Magnifications are integers held exactly as doubles.
    std::vector<double> m13;
    std::vector<std::int32_t> top13;  // vMax + h, or nV/2 + h with the table

    void Resize(std::size_t n, bool fixedPoint) {
        w.resize(n);
        col.resize(n);
        if (fixedPoint) {
            m13.resize(n);
            top13.resize(n);
        } else {
            m.resize(n);
            vTop.resize(n);
            u.resize(n);
        }
    }
};

// The fixed-point form of a view's constants.
struct FixedView {
    std::int64_t a, b, c, e, R, D, turn26, uMin, vMax, du, dv, r2, rho, lift, sourceY;

    static FixedView From(const CVoxelBackprojection::View& v) {
        FixedView f;
        f.a = Fixed::From(v.a);
        f.b = Fixed::From(v.b);
        f.c = Fixed::From(v.c);
        f.e = Fixed::From(v.e);
        f.R = Fixed::From(v.R);
        f.D = Fixed::From(v.D);
        // 26 bits: with 13, 2 pi / N would lose up to 1/143 of the scale
        // at N = 360 and more for longer scans.
        f.turn26 = Fixed::From26(v.weightScale);
        f.uMin = Fixed::Rounded(v.uMin);
        f.vMax = Fixed::Rounded(v.vMax);
        f.du = Fixed::Rounded(v.du);
        f.dv = Fixed::Rounded(v.dv);
        f.r2 = Fixed::From26(v.fov.r2);
        f.rho = static_cast<std::int64_t>(v.fov.rho);
        f.lift = Fixed::From(v.detectorY - v.sourceY);
        f.sourceY = Fixed::From(v.sourceY);
        return f;
    }
    bool ContainsColumn(std::int64_t x2, std::int64_t z2) const { return x2 + z2 < r2; }
    bool Contains(std::int64_t x2, std::int64_t y2, std::int64_t z2) const { return rho * y2 + x2 + z2 < r2; }
};

// The voxel grid in the fixed-point format: each float centre converted,
// so that a grid symmetric about a plane stays symmetric (stepping the
// converted first centre by the converted pitch would drift by up to one
// unit per voxel and break the axial mirror).
struct FixedGrid {
    std::vector<std::int64_t> x, y, z, x2;
    int iNearestAxis = 0;

    static void Convert(const std::vector<float>& in, std::vector<std::int64_t>& out) {
        out.resize(in.size());
        for (std::size_t n = 0; n < in.size(); ++n) out[n] = Fixed::From(in[n]);
    }
    explicit FixedGrid(const CVolumeGrid& g) {
        Convert(g.x, x);
        Convert(g.y, y);
        Convert(g.z, z);
        x2.resize(x.size());
        for (std::size_t i = 0; i < x.size(); ++i) {
            x2[i] = x[i] * x[i];
            if (x2[i] < x2[static_cast<std::size_t>(iNearestAxis)]) iNearestAxis = static_cast<int>(i);
        }
    }
};

// First index in [lo, hi] whose predicate holds, the predicate going from
// false to true along the range (hi when it never holds before hi).
template <typename Pred>
int FirstTrue(int lo, int hi, Pred inside) {
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (inside(mid)) hi = mid;
        else lo = mid + 1;
    }
    return lo;
}

// The run [first, last) of a line's voxels that lie inside: x^2 falls
// toward index `nearest` and rises after it, and membership depends on x^2
// alone, so each end is found by bisection. False when the run is empty.
template <typename Pred>
bool InsideRange(int begin, int end, int nearest, Pred inside, int* first, int* last) {
    if (nearest < begin || nearest >= end || !inside(nearest)) return false;
    *first = FirstTrue(begin, nearest, inside);
    *last = FirstTrue(nearest, end, [&](int i) { return !inside(i); });
    return true;
}

// The float hot loop over one line of voxels (fixed y and z, i in [begin,
// end)), and over its mirror line when asked. Branch-free so that it
// vectorizes: a voxel off the detector reads sample 0 and adds -0.0, which
// leaves every float as it is (-0.0 included).
struct FloatLine {
    float* line;
    float* mirror;
    double y, uMin, du, dv;
    int rows, stride;
    const float* work;
    const ColumnTable* t;
    int columns = 0;
};

template <bool kSkip, bool kMirror>
VOXMILL_CLONES void AddFloatLineScalar(const FloatLine& a, int begin, int end) {
    float* __restrict line = a.line;
    float* __restrict mirror = a.mirror;
    const float* __restrict work = a.work;
    const double* __restrict m = a.t->m.data();
    const double* __restrict vTop = a.t->vTop.data();
    const double* __restrict u = a.t->u.data();
    const float* __restrict w = a.t->w.data();
    const int* __restrict col = a.t->col.data();
    const double rowLimit = a.rows, y = a.y, dv = a.dv, uMin = a.uMin, du = a.du;
    const int rows = a.rows, stride = a.stride;
    for (int i = begin; i < end; ++i) {
        double t = (vTop[i] - y * m[i]) / dv + 0.5;
        // Clamped to [-1, rows] before the conversion, which truncates
        // toward zero: (-1, 0) still rounds to row 0.
        t = std::max(t, -1.0);
        t = std::min(t, rowLimit);
        const int row = static_cast<int>(t);
        int c = col[i];
        if constexpr (!kSkip) {
            // The same value as the column table's, computed again here.
            double v = (u[i] - uMin) / du + 0.5;
            v = std::max(v, 0.0);
            c = c >= 0 ? static_cast<int>(v) : -1;
        }
        const int on = (static_cast<unsigned>(row) < static_cast<unsigned>(rows)) & (c >= 0);
        const double weight = w[i];
        const float sample = work[(row * stride + c) * on];
        line[i] = static_cast<float>(static_cast<double>(line[i]) + (on ? weight * sample : -0.0));
        if constexpr (kMirror) {
            const float other = work[((rows - 1 - row) * stride + c) * on];
            mirror[i] = static_cast<float>(static_cast<double>(mirror[i]) + (on ? weight * other : -0.0));
        }
    }
}

// The bilinear variant of the float loop. A voxel is taken where the
// nearest-neighbour loop takes it (the same row and column acceptance), and
// the filtered detector is read between the four cells around its point;
// a neighbour past the edge repeats the edge cell, so a constant detector
// gives the same sample everywhere.
template <bool kMirror>
VOXMILL_CLONES void AddBilinearLine(const FloatLine& a, int begin, int end) {
    const double* m = a.t->m.data();
    const double* vTop = a.t->vTop.data();
    const double* u = a.t->u.data();
    const float* w = a.t->w.data();
    const int* col = a.t->col.data();
    const int rows = a.rows, columns = a.columns, stride = a.stride;
    const auto at = [&](int r, int c) { return static_cast<double>(a.work[r * stride + c]); };
    for (int i = begin; i < end; ++i) {
        const double rowAt = (vTop[i] - a.y * m[i]) / a.dv;
        const int row = static_cast<int>(std::min(std::max(rowAt + 0.5, -1.0), static_cast<double>(rows)));
        if (static_cast<unsigned>(row) >= static_cast<unsigned>(rows) || col[i] < 0) continue;
        const double colAt = (u[i] - a.uMin) / a.du;
        const double c0 = std::floor(colAt), r0 = std::floor(rowAt);
        const double fx = colAt - c0, fy = rowAt - r0;
        const int cLow = std::clamp(static_cast<int>(c0), 0, columns - 1);
        const int cHigh = std::clamp(static_cast<int>(c0) + 1, 0, columns - 1);
        const int rLow = std::clamp(static_cast<int>(r0), 0, rows - 1);
        const int rHigh = std::clamp(static_cast<int>(r0) + 1, 0, rows - 1);
        const auto sample = [&](int top, int bottom) {
            return (1.0 - fy) * ((1.0 - fx) * at(top, cLow) + fx * at(top, cHigh)) +
                   fy * ((1.0 - fx) * at(bottom, cLow) + fx * at(bottom, cHigh));
        };
        const double weight = w[i];
        a.line[i] = static_cast<float>(static_cast<double>(a.line[i]) + weight * sample(rLow, rHigh));
        if constexpr (kMirror)
            a.mirror[i] = static_cast<float>(static_cast<double>(a.mirror[i]) +
                                             weight * sample(rows - 1 - rLow, rows - 1 - rHigh));
    }
}

// The fixed-point hot loop: v = y m / 8192 in 64 bits, the row from the
// table (t = nV/2 + h - v) or from the rounding quotient, w * sample in
// float.
struct FixedLine {
    float* line;
    float* mirror;
    std::int64_t y, dv;
    int rows, stride, nV;
    const std::int32_t* rowTable;
    const float* work;
    const ColumnTable* t;
};

template <bool kTable, bool kMirror>
VOXMILL_CLONES void AddFixedLineScalar(const FixedLine& a, int begin, int end) {
    float* __restrict line = a.line;
    float* __restrict mirror = a.mirror;
    const float* __restrict work = a.work;
    const std::int32_t* __restrict rowTable = a.rowTable;
    const double* __restrict m = a.t->m13.data();
    const std::int32_t* __restrict top = a.t->top13.data();
    const float* __restrict w = a.t->w.data();
    const int* __restrict col = a.t->col.data();
    const std::int64_t y = a.y, dv = a.dv;
    const int rows = a.rows, stride = a.stride, nV = a.nV;
    // y m / 8192 truncated: the product of two integers below 2^26 is exact
    // in a double, and so is the division by a power of two, so the double
    // form gives the 64-bit integer result while it vectorizes.
    const double yd = static_cast<double>(y), scale = 1.0 / static_cast<double>(Fixed::kOne);
    for (int i = begin; i < end; ++i) {
        const std::int64_t v = static_cast<std::int64_t>(yd * m[i] * scale);
        int row;
        if constexpr (kTable) {
            const std::int64_t t = top[i] - v;
            const int inTable = (t >= 0) & (t < nV);
            row = inTable ? rowTable[inTable ? t : 0] : -1;
        } else {
            const std::int64_t q = (top[i] - v) * Fixed::kOne / dv + Fixed::kOne / 2;
            row = q > -Fixed::kOne && q < rows * Fixed::kOne ? static_cast<int>(q / Fixed::kOne) : -1;
        }
        const int c = col[i];
        const int on = (static_cast<unsigned>(row) < static_cast<unsigned>(rows)) & (c >= 0);
        const float weight = w[i];
        const float sample = work[(row * stride + c) * on];
        line[i] = line[i] + (on ? weight * sample : -0.0f);
        if constexpr (kMirror) {
            const float other = work[((rows - 1 - row) * stride + c) * on];
            mirror[i] = mirror[i] + (on ? weight * other : -0.0f);
        }
    }
}


// The table path, sixteen voxels at a time with AVX-512 and eight with
// AVX2: the same operations lane by lane as the scalar loop (products and
// sums unfused, the truncating conversion, the off-detector lanes left as
// they are), so every path gives the same bits. Returns where it stopped;
// the scalar loop takes the rest.
template <bool kMirror>
__attribute__((target("avx512f,avx512dq,avx512vl,avx512bw"))) int AddFixedTable16(const FixedLine& a, int begin,
                                                                                   int end) {
    const double* m = a.t->m13.data();
    const std::int32_t* top = a.t->top13.data();
    const float* w = a.t->w.data();
    const int* col = a.t->col.data();
    const __m512d y = _mm512_set1_pd(static_cast<double>(a.y));
    const __m512d scale = _mm512_set1_pd(1.0 / static_cast<double>(Fixed::kOne));
    const __m512i zero = _mm512_setzero_si512(), minusOne = _mm512_set1_epi32(-1);
    const __m512i nV = _mm512_set1_epi32(a.nV), rows = _mm512_set1_epi32(a.rows);
    const __m512i lastRow = _mm512_set1_epi32(a.rows - 1), stride = _mm512_set1_epi32(a.stride);
    int i = begin;
    for (; i + 16 <= end; i += 16) {
        const __m256i v0 = _mm512_cvttpd_epi32(_mm512_mul_pd(_mm512_mul_pd(y, _mm512_loadu_pd(m + i)), scale));
        const __m256i v1 = _mm512_cvttpd_epi32(_mm512_mul_pd(_mm512_mul_pd(y, _mm512_loadu_pd(m + i + 8)), scale));
        const __m512i v = _mm512_inserti64x4(_mm512_castsi256_si512(v0), v1, 1);
        const __m512i t = _mm512_sub_epi32(_mm512_loadu_si512(top + i), v);
        const __mmask16 inTable = _mm512_cmpge_epi32_mask(t, zero) & _mm512_cmplt_epi32_mask(t, nV);
        const __m512i row = _mm512_mask_i32gather_epi32(minusOne, inTable, t, a.rowTable, 4);
        const __m512i c = _mm512_loadu_si512(col + i);
        const __mmask16 on = _mm512_cmpge_epi32_mask(row, zero) & _mm512_cmplt_epi32_mask(row, rows) &
                             _mm512_cmpge_epi32_mask(c, zero);
        const __m512 weight = _mm512_loadu_ps(w + i);
        const __m512i index = _mm512_add_epi32(_mm512_mullo_epi32(row, stride), c);
        const __m512 sample = _mm512_mask_i32gather_ps(_mm512_setzero_ps(), on, index, a.work, 4);
        const __m512 line = _mm512_loadu_ps(a.line + i);
        _mm512_storeu_ps(a.line + i, _mm512_mask_add_ps(line, on, line, _mm512_mul_ps(weight, sample)));
        if constexpr (kMirror) {
            const __m512i mirrored = _mm512_add_epi32(_mm512_mullo_epi32(_mm512_sub_epi32(lastRow, row), stride), c);
            const __m512 other = _mm512_mask_i32gather_ps(_mm512_setzero_ps(), on, mirrored, a.work, 4);
            const __m512 image = _mm512_loadu_ps(a.mirror + i);
            _mm512_storeu_ps(a.mirror + i, _mm512_mask_add_ps(image, on, image, _mm512_mul_ps(weight, other)));
        }
    }
    return i;
}

template <bool kMirror>
__attribute__((target("avx2"))) int AddFixedTable8(const FixedLine& a, int begin, int end) {
    const double* m = a.t->m13.data();
    const std::int32_t* top = a.t->top13.data();
    const float* w = a.t->w.data();
    const int* col = a.t->col.data();
    const __m256d y = _mm256_set1_pd(static_cast<double>(a.y));
    const __m256d scale = _mm256_set1_pd(1.0 / static_cast<double>(Fixed::kOne));
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i nV = _mm256_set1_epi32(a.nV), rows = _mm256_set1_epi32(a.rows);
    const __m256i lastRow = _mm256_set1_epi32(a.rows - 1), stride = _mm256_set1_epi32(a.stride);
    int i = begin;
    for (; i + 8 <= end; i += 8) {
        const __m128i v0 = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_mul_pd(y, _mm256_loadu_pd(m + i)), scale));
        const __m128i v1 = _mm256_cvttpd_epi32(_mm256_mul_pd(_mm256_mul_pd(y, _mm256_loadu_pd(m + i + 4)), scale));
        const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(v0), v1, 1);
        const __m256i t = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(top + i)), v);
        const __m256i inTable = _mm256_and_si256(_mm256_cmpgt_epi32(t, minusOne), _mm256_cmpgt_epi32(nV, t));
        const __m256i row = _mm256_mask_i32gather_epi32(minusOne, a.rowTable, t, inTable, 4);
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(col + i));
        const __m256i on = _mm256_and_si256(_mm256_and_si256(_mm256_cmpgt_epi32(row, minusOne), _mm256_cmpgt_epi32(rows, row)),
                                            _mm256_cmpgt_epi32(c, minusOne));
        const __m256 onMask = _mm256_castsi256_ps(on);
        const __m256 weight = _mm256_loadu_ps(w + i);
        const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(row, stride), c);
        const __m256 sample = _mm256_mask_i32gather_ps(_mm256_setzero_ps(), a.work, index, onMask, 4);
        const __m256 line = _mm256_loadu_ps(a.line + i);
        _mm256_storeu_ps(a.line + i, _mm256_blendv_ps(line, _mm256_add_ps(line, _mm256_mul_ps(weight, sample)), onMask));
        if constexpr (kMirror) {
            const __m256i mirrored = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(lastRow, row), stride), c);
            const __m256 other = _mm256_mask_i32gather_ps(_mm256_setzero_ps(), a.work, mirrored, onMask, 4);
            const __m256 image = _mm256_loadu_ps(a.mirror + i);
            _mm256_storeu_ps(a.mirror + i,
                             _mm256_blendv_ps(image, _mm256_add_ps(image, _mm256_mul_ps(weight, other)), onMask));
        }
    }
    return i;
}

// The widest vector unit this processor has, asked once, unless a test
// turned the vector loops off.
enum class Simd { none, avx2, avx512 };

std::atomic<bool> g_vectorUnits{true};

Simd Widest() {
    if (!g_vectorUnits.load(std::memory_order_relaxed)) return Simd::none;
    static const Simd simd = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
            __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw"))
            return Simd::avx512;
        if (__builtin_cpu_supports("avx2")) return Simd::avx2;
        return Simd::none;
    }();
    return simd;
}

}  // namespace

void CVoxelBackprojection::UseVectorUnits(bool use) { g_vectorUnits.store(use); }

namespace {

// The floating-point line, eight voxels at a time with AVX-512: the row
// quotient, its clamping and truncation, the column recomputed or taken
// from the table, and the sum in double, each the scalar loop's operation
// lane by lane.
template <bool kSkip, bool kMirror>
__attribute__((target("avx512f,avx512dq,avx512vl,avx512bw"))) int AddFloatLine8(const FloatLine& a, int begin,
                                                                                 int end) {
    const ColumnTable& t = *a.t;
    const __m512d y = _mm512_set1_pd(a.y), dv = _mm512_set1_pd(a.dv), half = _mm512_set1_pd(0.5);
    const __m512d low = _mm512_set1_pd(-1.0), high = _mm512_set1_pd(a.rows);
    const __m512d uMin = _mm512_set1_pd(a.uMin), du = _mm512_set1_pd(a.du), zeroD = _mm512_setzero_pd();
    const __m256i zero = _mm256_setzero_si256(), minusOne = _mm256_set1_epi32(-1);
    const __m256i rows = _mm256_set1_epi32(a.rows), lastRow = _mm256_set1_epi32(a.rows - 1);
    const __m256i stride = _mm256_set1_epi32(a.stride);
    int i = begin;
    for (; i + 8 <= end; i += 8) {
        __m512d q = _mm512_sub_pd(_mm512_loadu_pd(t.vTop.data() + i), _mm512_mul_pd(y, _mm512_loadu_pd(t.m.data() + i)));
        q = _mm512_add_pd(_mm512_div_pd(q, dv), half);
        q = _mm512_min_pd(_mm512_max_pd(q, low), high);
        const __m256i row = _mm512_cvttpd_epi32(q);
        __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.col.data() + i));
        if constexpr (!kSkip) {
            __m512d v = _mm512_sub_pd(_mm512_loadu_pd(t.u.data() + i), uMin);
            v = _mm512_max_pd(_mm512_add_pd(_mm512_div_pd(v, du), half), zeroD);
            c = _mm256_mask_blend_epi32(_mm256_cmpge_epi32_mask(c, zero), minusOne, _mm512_cvttpd_epi32(v));
        }
        const __mmask8 on = _mm256_cmpge_epi32_mask(row, zero) & _mm256_cmplt_epi32_mask(row, rows) &
                            _mm256_cmpge_epi32_mask(c, zero);
        const __m512d weight = _mm512_cvtps_pd(_mm256_loadu_ps(t.w.data() + i));
        const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(row, stride), c);
        const __m256 sample = _mm256_mmask_i32gather_ps(_mm256_setzero_ps(), on, index, a.work, 4);
        const __m512d line = _mm512_cvtps_pd(_mm256_loadu_ps(a.line + i));
        const __m512d sum = _mm512_mask_add_pd(line, on, line, _mm512_mul_pd(weight, _mm512_cvtps_pd(sample)));
        _mm256_storeu_ps(a.line + i, _mm512_cvtpd_ps(sum));
        if constexpr (kMirror) {
            const __m256i mirrored = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(lastRow, row), stride), c);
            const __m256 other = _mm256_mmask_i32gather_ps(_mm256_setzero_ps(), on, mirrored, a.work, 4);
            const __m512d image = _mm512_cvtps_pd(_mm256_loadu_ps(a.mirror + i));
            const __m512d imageSum =
                _mm512_mask_add_pd(image, on, image, _mm512_mul_pd(weight, _mm512_cvtps_pd(other)));
            _mm256_storeu_ps(a.mirror + i, _mm512_cvtpd_ps(imageSum));
        }
    }
    return i;
}

template <bool kSkip, bool kMirror>
void AddFloatLine(const FloatLine& a, int begin, int end) {
    if (Widest() == Simd::avx512) begin = AddFloatLine8<kSkip, kMirror>(a, begin, end);
    AddFloatLineScalar<kSkip, kMirror>(a, begin, end);
}

template <bool kTable, bool kMirror>
void AddFixedLine(const FixedLine& a, int begin, int end) {
    if constexpr (kTable) {
        const Simd simd = Widest();
        if (simd == Simd::avx512) begin = AddFixedTable16<kMirror>(a, begin, end);
        else if (simd == Simd::avx2) begin = AddFixedTable8<kMirror>(a, begin, end);
    }
    AddFixedLineScalar<kTable, kMirror>(a, begin, end);
}

void FillFloatColumns(const CVolumeGrid& g, const CVoxelBackprojection::View& v, float z, int begin, int end,
                      ColumnTable& t) {
    const double R2 = v.R * v.R;
    const double lift = v.detectorY - v.sourceY;
    for (int i = begin; i < end; ++i) {
        const double x = g.x[static_cast<std::size_t>(i)];
        const double L = v.R - (v.c * x + v.e * z);
        const float m = static_cast<float>(v.D / L);
        const float w = static_cast<float>(v.weightScale * (R2 / (L * L)));
        const double u = (v.a * x + v.b * z) * m;
        const double column = (u - v.uMin) / v.du + 0.5;
        const double h = lift + v.sourceY * m;
        const bool valid = L > 0.0 && std::isfinite(m) && std::isfinite(w) && std::isfinite(h) && column > -1.0 &&
                           column < v.columns;
        // An unusable column keeps finite table values; its voxels are skipped.
        const auto n = static_cast<std::size_t>(i);
        t.m[n] = valid ? m : 0.0f;
        t.w[n] = valid ? w : 0.0f;
        t.u[n] = valid ? u : v.uMin;
        t.vTop[n] = valid ? v.vMax + h : 0.0;
        t.col[n] = valid ? static_cast<int>(column) : -1;
    }
}

void FillFixedColumns(const FixedGrid& g, const FixedView& f, const CVoxelBackprojection::View& v,
                      const CDetectorIndexTable* table, std::int64_t z, int begin, int end, ColumnTable& t) {
    const std::int64_t ez = Fixed::Mul(f.e, z), bz = Fixed::Mul(f.b, z);
    const std::int64_t R2 = Fixed::Mul(f.R, f.R);
    for (int i = begin; i < end; ++i) {
        const auto n = static_cast<std::size_t>(i);
        const std::int64_t x = g.x[n];
        const std::int64_t L = f.R - (Fixed::Mul(f.c, x) + ez);
        const std::int64_t L2 = L > 0 ? Fixed::Mul(L, L) : 0;
        t.col[n] = -1;
        t.w[n] = 0.0f;
        t.m13[n] = 0;
        t.top13[n] = 0;
        if (L2 <= 0) continue;
        const std::int64_t m = Fixed::Div(f.D, L);
        const std::int64_t u = Fixed::Mul(Fixed::Mul(f.a, x) + bz, m);
        const std::int64_t w26 = f.turn26 * Fixed::Div(R2, L2) / Fixed::kOne;
        const std::int64_t h = f.lift + Fixed::Mul(f.sourceY, m);
        int column;
        if (table) {
            column = table->Column(u);
        } else {
            const std::int64_t q = Fixed::Div(u - f.uMin, f.du) + Fixed::kOne / 2;
            column = q > -Fixed::kOne && q < v.columns * Fixed::kOne ? static_cast<int>(q / Fixed::kOne) : -1;
        }
        if (column < 0 || column >= v.columns) continue;
        t.col[n] = column;
        t.w[n] = static_cast<float>(static_cast<double>(w26) / static_cast<double>(Fixed::kOne * Fixed::kOne));
        t.m13[n] = static_cast<double>(m);
        t.top13[n] = static_cast<std::int32_t>((table ? table->RowCount() / 2 : f.vMax) + h);
    }
}

// One view's share of one slab: the run of columns inside the field of
// view and the column table filled for it.
struct SlabView {
    bool any = false;
    int colFirst = 0, colLast = 0;
};

// Calls visit(j, first, last, mirror) for the lines j of [lineBegin,
// lineEnd) a view reaches, in y order; with the mirror, lines below the
// middle are reached through their upper partner, and the middle line of
// an odd count alone.
template <typename Inside, typename Visit>
void ForEachLine(LONG lineBegin, LONG lineEnd, LONG nY, bool mirror, const SlabView& sv, int nearest, Inside inside,
                 Visit visit) {
    const LONG upper = mirror ? nY / 2 : nY;
    for (LONG j = lineBegin; j < std::min(lineEnd, upper); ++j) {
        int first = 0, last = 0;
        if (InsideRange(sv.colFirst, sv.colLast, nearest, [&](int i) { return inside(j, i); }, &first, &last))
            visit(j, first, last, mirror);
    }
    if (mirror && nY % 2 && lineBegin <= nY / 2 && nY / 2 < lineEnd) {
        const LONG j = nY / 2;
        int first = 0, last = 0;
        if (InsideRange(sv.colFirst, sv.colLast, nearest, [&](int i) { return inside(j, i); }, &first, &last))
            visit(j, first, last, false);
    }
}

SlabView PrepareFloat(const CVolumeGrid& g, const CVoxelBackprojection::View& v, int k, ColumnTable& table) {
    SlabView sv;
    const float z = g.z[static_cast<std::size_t>(k)];
    const double z2 = static_cast<double>(z) * z;
    const double* x2 = g.x2.data();
    sv.any = InsideRange(0, g.nX, g.iNearestAxis, [&](int i) { return v.fov.ContainsColumn(x2[i], z2); },
                         &sv.colFirst, &sv.colLast);
    if (sv.any) FillFloatColumns(g, v, z, sv.colFirst, sv.colLast, table);
    return sv;
}

void AddFloatLines(const CVolumeGrid& g, const CVoxelBackprojection::View& v, const CVoxelBackprojection::Switches& s,
                   int k, const SlabView& sv, const ColumnTable& table, LONG lineBegin, LONG lineEnd) {
    const float z = g.z[static_cast<std::size_t>(k)];
    const double z2 = static_cast<double>(z) * z;
    const double* x2 = g.x2.data();
    float* slab = g.Slab(k);
    const auto lineAt = [&](LONG j) { return slab + static_cast<std::size_t>(j) * static_cast<std::size_t>(g.nX); };
    ForEachLine(
        lineBegin, lineEnd, g.nY, s.axialMirror, sv, g.iNearestAxis,
        [&](LONG j, int i) {
            const double y = g.y[static_cast<std::size_t>(j)];
            return v.fov.Contains(x2[i], y * y, z2);
        },
        [&](LONG j, int first, int last, bool mirror) {
            const FloatLine a{lineAt(j), lineAt(g.nY - 1 - j), g.y[static_cast<std::size_t>(j)], v.uMin, v.du, v.dv,
                              v.rows, v.stride, v.work, &table, v.columns};
            if (s.bilinear) mirror ? AddBilinearLine<true>(a, first, last) : AddBilinearLine<false>(a, first, last);
            else if (mirror) s.indexSkip ? AddFloatLine<true, true>(a, first, last) : AddFloatLine<false, true>(a, first, last);
            else s.indexSkip ? AddFloatLine<true, false>(a, first, last) : AddFloatLine<false, false>(a, first, last);
        });
}

SlabView PrepareFixed(const FixedGrid& fg, const FixedView& f, const CVoxelBackprojection::View& v,
                      const CVoxelBackprojection::Switches& s, int nX, int k, ColumnTable& table) {
    SlabView sv;
    const std::int64_t z = fg.z[static_cast<std::size_t>(k)];
    const std::int64_t z2 = z * z;
    const std::int64_t* x2 = fg.x2.data();
    sv.any = InsideRange(0, nX, fg.iNearestAxis, [&](int i) { return f.ContainsColumn(x2[i], z2); }, &sv.colFirst,
                         &sv.colLast);
    if (sv.any) FillFixedColumns(fg, f, v, s.table, z, sv.colFirst, sv.colLast, table);
    return sv;
}

void AddFixedLines(const CVolumeGrid& g, const FixedGrid& fg, const FixedView& f, const CVoxelBackprojection::View& v,
                   const CVoxelBackprojection::Switches& s, int k, const SlabView& sv, const ColumnTable& table,
                   LONG lineBegin, LONG lineEnd) {
    const std::int64_t z = fg.z[static_cast<std::size_t>(k)];
    const std::int64_t z2 = z * z;
    const std::int64_t* x2 = fg.x2.data();
    float* slab = g.Slab(k);
    const auto lineAt = [&](LONG j) { return slab + static_cast<std::size_t>(j) * static_cast<std::size_t>(g.nX); };
    const std::int32_t* rowTable = s.table ? s.table->RowTable() : nullptr;
    const int nV = s.table ? s.table->RowCount() : 0;
    ForEachLine(
        lineBegin, lineEnd, g.nY, s.axialMirror, sv, fg.iNearestAxis,
        [&](LONG j, int i) {
            const std::int64_t y = fg.y[static_cast<std::size_t>(j)];
            return f.Contains(x2[i], y * y, z2);
        },
        [&](LONG j, int first, int last, bool mirror) {
            const FixedLine a{lineAt(j), lineAt(g.nY - 1 - j), fg.y[static_cast<std::size_t>(j)], f.dv,
                              v.rows, v.stride, nV, rowTable, v.work, &table};
            if (mirror) rowTable ? AddFixedLine<true, true>(a, first, last) : AddFixedLine<false, true>(a, first, last);
            else rowTable ? AddFixedLine<true, false>(a, first, last) : AddFixedLine<false, false>(a, first, last);
        });
}

// Lines per tile: a tile of the slab stays in the first-level cache, and
// the detector rows a tile reaches stay in the second level while every
// view of the batch passes over it.
constexpr LONG kTileLines = 8;

// What one worker keeps: a column table and a slab share per view.
struct Worker {
    std::vector<ColumnTable> tables;
    std::vector<SlabView> slabViews;
};

}  // namespace

CVoxelBackprojection::View CVoxelBackprojection::MakeView(const CProjectionGeometry& detector,
                                                          const CProjectionGeometry& oriented,
                                                          const float* work) {
    View v;
    v.work = work;
    v.stride = detector.columns;
    v.a = oriented.a;
    v.b = oriented.b;
    v.c = oriented.c;
    v.e = oriented.e;
    v.sourceY = oriented.source[1];
    v.detectorY = oriented.detector[1];
    v.R = detector.R;
    v.D = detector.D;
    v.uMin = detector.uMin;
    v.vMax = detector.vMax;
    v.du = detector.du;
    v.dv = detector.dv;
    v.columns = detector.columns;
    v.rows = detector.rows;
    v.fov = CFieldOfView::From(detector.R, detector.D, detector.width, detector.height);
    return v;
}

CVoxelBackprojection::View CVoxelBackprojection::Opposite(const View& view, const float* work) {
    View v = view;
    v.work = work;
    v.a = -view.a;
    v.b = -view.b;
    v.c = -view.c;
    v.e = -view.e;
    return v;
}

void CVoxelBackprojection::Run(const CVolumeGrid& grid, const std::vector<View>& views, int threads,
                               const Switches& asked) {
    if (views.empty()) return;
    // Bilinear sampling exists on the float path only.
    Switches switches = asked;
    if (switches.bilinear) {
        switches.fixedPoint = false;
        switches.table = nullptr;
    }
    const int workers = std::max(1, std::min(threads, grid.nZ));
    std::vector<Worker> state(static_cast<std::size_t>(workers));
    for (Worker& w : state) {
        w.tables.resize(views.size());
        for (ColumnTable& t : w.tables) t.Resize(static_cast<std::size_t>(grid.nX), switches.fixedPoint);
        w.slabViews.resize(views.size());
    }
    std::vector<FixedView> fixedViews;
    std::unique_ptr<FixedGrid> fixedGrid;
    if (switches.fixedPoint) {
        fixedGrid = std::make_unique<FixedGrid>(grid);
        for (const View& v : views) fixedViews.push_back(FixedView::From(v));
    }
    const LONG visited = switches.axialMirror ? (grid.nY + 1) / 2 : grid.nY;
    CParallel::For(grid.nZ, workers, [&](int k, int worker) {
        Worker& w = state[static_cast<std::size_t>(worker)];
        for (std::size_t n = 0; n < views.size(); ++n)
            w.slabViews[n] = switches.fixedPoint
                                 ? PrepareFixed(*fixedGrid, fixedViews[n], views[n], switches, grid.nX, k, w.tables[n])
                                 : PrepareFloat(grid, views[n], k, w.tables[n]);
        // Every voxel still takes the views in their order: tiles only
        // regroup whole lines.
        for (LONG begin = 0; begin < visited; begin += kTileLines) {
            const LONG end = std::min(visited, begin + kTileLines);
            for (std::size_t n = 0; n < views.size(); ++n) {
                if (!w.slabViews[n].any) continue;
                if (switches.fixedPoint)
                    AddFixedLines(grid, *fixedGrid, fixedViews[n], views[n], switches, k, w.slabViews[n], w.tables[n],
                                  begin, end);
                else
                    AddFloatLines(grid, views[n], switches, k, w.slabViews[n], w.tables[n], begin, end);
            }
        }
    });
}

std::unique_ptr<CDetectorIndexTable> CDetectorIndexTable::Create(double width, double height, float du, float dv,
                                                                 int columns, int rows) {
    if (!(width > 0.0) || !(height > 0.0) || !(du > 0.0f) || !(dv > 0.0f) || columns <= 0 || rows <= 0 ||
        width * 32768.0 > 1048576.0)
        return nullptr;
    // The height is not limited by the width's rule; a tall detector
    // could ask for a table larger than memory allows.
    if (height * 8192.0 > 0x7FFFFFFF / 2) return nullptr;
    try {
        std::unique_ptr<CDetectorIndexTable> t(new CDetectorIndexTable);
        t->m_nU = static_cast<std::int32_t>(width * 8192.0);
        t->m_nV = static_cast<std::int32_t>(height * 8192.0);
        const bool shared = du == dv && t->m_nV == t->m_nU && columns == rows;
        t->m_storage.resize(static_cast<std::size_t>(t->m_nU) + (shared ? 0 : static_cast<std::size_t>(t->m_nV)));
        auto fill = [](std::int32_t* table, std::int32_t count, float pitch, int cells) {
            for (std::int32_t n = 0; n < count; ++n) {
                const auto index = static_cast<std::int32_t>(n / (8192.0 * pitch));
                table[n] = index < cells ? index : -1;
            }
        };
        std::int32_t* columnsTable = t->m_storage.data();
        fill(columnsTable, t->m_nU, du, columns);
        std::int32_t* rowsTable = columnsTable;
        if (!shared) {
            rowsTable = columnsTable + t->m_nU;
            fill(rowsTable, t->m_nV, dv, rows);
        }
        t->m_columns = columnsTable;
        t->m_rows = rowsTable;
        return t;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace voxmill
