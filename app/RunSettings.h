#pragma once
// app/RunSettings.h — the configuration's correlation settings as the
// correlation object takes them.

#include "dsp/Correlation.h"

// Engine, trace display, polarity and sharpening from g_configuration.
CorrelationOptions CorrelationOptionsFromConfiguration();
