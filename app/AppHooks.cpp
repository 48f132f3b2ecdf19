#include "app/AppHooks.h"

StartupHooks& AppHooks() {
    static StartupHooks hooks;
    return hooks;
}
