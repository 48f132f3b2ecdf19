#include "app/AppHooks.h"

#include "pipe/Materials.h"

StartupHooks& AppHooks() {
    static StartupHooks hooks = [] {
        StartupHooks h;
        h.createMaterials = &CreateGlobalMaterials;
        h.destroyMaterials = &DestroyGlobalMaterials;
        return h;
    }();
    return hooks;
}
