// libmilim.so of the simulated camera: the image-processing part of the
// imaging library. The program loads it and calls nothing in it.
#include "hardware/MilEntryPoints.h"

extern "C" __attribute__((visibility("default"))) voxmill::mil::Int MimSimulatedVersion() { return 1; }
