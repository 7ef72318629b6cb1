// The back ends by name, for the exported factories and for tools that must
// compare the two in one process. Internal to the library (not exported from
// the shared object); the caller owns what they return.
#pragma once

namespace voxmill {

class Spectrion;
class Spectrion2D;

// Null when the FFTW library is not loaded, n < 1 or out of memory.
Spectrion* CreateFftwSpectrion(int n, bool pad);
// Null when n < 1, the length is beyond the own back end's limit, or out of memory.
Spectrion* CreateOwnSpectrion(int n, bool pad);
// Null when the FFTW library is not loaded, a size is below 1 or out of memory.
Spectrion2D* CreateFftwSpectrion2D(int nx, int ny, bool pad);
// Whether the FFTW library was loaded (and not switched off by VOXMILL_FFTW=off).
bool IsFftwAvailable();

} // namespace voxmill
