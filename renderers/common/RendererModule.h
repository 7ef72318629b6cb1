// Life-time bookkeeping of a renderer module (each plug-in links its own copy): live objects (controls,
// pages, class factories) and server locks, so that DllCanUnloadNow can
// tell whether the library may be unloaded.
#pragma once

#include "contract/Com.h"

namespace voxmill {

class CRendererModule {
public:
    static void ObjectCreated();
    static void ObjectDestroyed();
    static void Lock(bool lock);
    static bool CanUnload();
    static LONG Objects();
};

}  // namespace voxmill
