#include "renderers/tessor/TessorModule.h"

#include <atomic>

namespace voxmill {
namespace {

std::atomic<LONG> g_objects{0};
std::atomic<LONG> g_locks{0};

}  // namespace

void CTessorModule::ObjectCreated() { ++g_objects; }
void CTessorModule::ObjectDestroyed() { --g_objects; }

void CTessorModule::Lock(bool lock) {
    if (lock) ++g_locks;
    else if (g_locks.load() > 0) --g_locks;
}

bool CTessorModule::CanUnload() { return g_objects.load() == 0 && g_locks.load() == 0; }
LONG CTessorModule::Objects() { return g_objects.load(); }

}  // namespace voxmill
