// A shared library that is not a plug-in: it exports none of the entry
// points, so the host must refuse it with a message.
extern "C" __attribute__((visibility("default"))) int VoxmillTestBrokenModule() { return 1; }
