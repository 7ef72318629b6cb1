#include "renderers/common/RendererModule.h"

#include <atomic>

namespace voxmill {
namespace {

std::atomic<LONG> g_objects{0};
std::atomic<LONG> g_locks{0};

}  // namespace

void CRendererModule::ObjectCreated() { ++g_objects; }
void CRendererModule::ObjectDestroyed() { --g_objects; }

void CRendererModule::Lock(bool lock) {
    if (lock) ++g_locks;
    else if (g_locks.load() > 0) --g_locks;
}

bool CRendererModule::CanUnload() { return g_objects.load() == 0 && g_locks.load() == 0; }
LONG CRendererModule::Objects() { return g_objects.load(); }

}  // namespace voxmill
