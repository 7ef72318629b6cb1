// Export marker of the FFT library. The library is built with hidden
// visibility, so the two factories marked with it are its only exports.
#pragma once

#if defined(__GNUC__)
#define SPECTRION_API __attribute__((visibility("default")))
#else
#define SPECTRION_API
#endif
