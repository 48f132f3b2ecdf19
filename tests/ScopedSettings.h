#pragma once
// Keeps the program-wide settings and factory records as a test found them
// and puts them back when it ends, so that no test leaks its changes into
// the next. Make it the first member of a fixture.

#include "settings/Configuration.h"

class ScopedSettings {
public:
    ScopedSettings() : m_configuration(g_configuration), m_factory(g_factory) {}
    ~ScopedSettings() {
        static_cast<ConfigurationRecord&>(g_configuration) = m_configuration;
        static_cast<FactoryRecordData&>(g_factory) = m_factory;
    }
    ScopedSettings(const ScopedSettings&) = delete;
    ScopedSettings& operator=(const ScopedSettings&) = delete;

private:
    ConfigurationRecord m_configuration;
    FactoryRecordData m_factory;
};

// The configuration as the next start reads it.
inline CConfiguration StoredConfiguration() {
    CConfiguration stored;
    stored.Load();
    return stored;
}
