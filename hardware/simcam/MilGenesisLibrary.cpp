// libmilgen.so of the simulated camera: the imaging library's driver for
// the Genesis board. The program only checks that its decoder is there.
#include "hardware/MilEntryPoints.h"
#include "hardware/simcam/SimCamera.h"

using voxmill::mil::Int;

extern "C" __attribute__((visibility("default"))) Int MDGenesisCommandDecoder(Int command, void*) {
    voxmill::simcam::LogCall(voxmill::simcam::Call("MDGenesisCommandDecoder", voxmill::simcam::Arg(std::int64_t{command})));
    return 0;
}
