#pragma once
// Switches the C library to a locale whose decimal separator is a comma, as
// the Qt program does on a German host, for one test. scripts/setup makes the
// locale; without it the test fails rather than passing unchecked.

#include <gtest/gtest.h>

#include <clocale>
#include <string>

class CommaLocale {
public:
    CommaLocale() : m_saved(std::setlocale(LC_ALL, nullptr)) {
        m_active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
        EXPECT_TRUE(m_active) << "locale de_DE.UTF-8 missing: run scripts/setup";
    }
    ~CommaLocale() { std::setlocale(LC_ALL, m_saved.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    bool Active() const { return m_active; }

private:
    std::string m_saved;
    bool m_active = false;
};
