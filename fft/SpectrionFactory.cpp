// The exported factories and the back ends behind them. Every failure to
// build a farm (bad size, no memory, FFTW refusing a plan) comes out as null.
#include <new>

#include "fft/FftwLibrary.h"
#include "fft/Spectrion.h"
#include "fft/Spectrion2D.h"
#include "fft/Spectrion2DFftw.h"
#include "fft/SpectrionBackends.h"
#include "fft/SpectrionFftw.h"
#include "fft/SpectrionOwn.h"

namespace voxmill {

bool IsFftwAvailable()
{
    return CFftwLibrary::Instance().IsAvailable();
}

Spectrion* CreateFftwSpectrion(int n, bool pad)
{
    const int length = CSpectrionFftw::LengthFor(n, pad);
    if (!IsFftwAvailable() || length == 0)
        return nullptr;
    try {
        return new CSpectrionFftw(length);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Spectrion* CreateOwnSpectrion(int n, bool pad)
{
    const int length = CSpectrionOwn::LengthFor(n, pad);
    if (length == 0)
        return nullptr;
    try {
        return new CSpectrionOwn(length);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

Spectrion2D* CreateFftwSpectrion2D(int nx, int ny, bool pad)
{
    int x = 0;
    int y = 0;
    if (!IsFftwAvailable() || CSpectrion2DFftw::SizeFor(nx, ny, pad, &x, &y) == 0)
        return nullptr;
    try {
        return new CSpectrion2DFftw(x, y);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

extern "C" Spectrion* GetSpectrion_Best(int n, bool pad)
{
    if (IsFftwAvailable())
        return CreateFftwSpectrion(n, pad);
    return CreateOwnSpectrion(n, pad);
}

extern "C" Spectrion2D* GetSpectrion2D_Best(int nx, int ny, bool pad)
{
    return CreateFftwSpectrion2D(nx, ny, pad);
}

} // namespace voxmill
