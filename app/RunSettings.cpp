#include "app/RunSettings.h"

#include "settings/Configuration.h"

CorrelationOptions CorrelationOptionsFromConfiguration() {
    CorrelationOptions o;
    o.useFftEngine = g_configuration.useFftEngine != 0;
    o.multiFilter = g_configuration.multiFilter != 0;
    o.bothPolarities = (g_configuration.bothPolarities & 1) != 0;
    o.peakSharpenPlastic = g_configuration.peakSharpenPlastic;
    o.peakSharpenOther = g_configuration.peakSharpenOther;
    return o;
}
