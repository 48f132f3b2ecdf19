#include "app/AppHooks.h"

#include "hardware/HardwareStartup.h"
#include "pipe/Materials.h"

StartupHooks& AppHooks() {
    static StartupHooks hooks = [] {
        StartupHooks h;
        h.startHardware = &StartSensorHardware;
        h.isExternalSupplyAtStart = &ExternalSupplyAtStart;
        h.createMaterials = &CreateGlobalMaterials;
        h.destroyMaterials = &DestroyGlobalMaterials;
        return h;
    }();
    return hooks;
}
