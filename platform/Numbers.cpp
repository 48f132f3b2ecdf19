#include "platform/Numbers.h"

#include <charconv>
#include <clocale>
#include <cstdio>
#include <locale.h>

namespace platform {
namespace {

// Makes the C locale the calling thread's for the scope's lifetime.
class CLocaleScope {
public:
    CLocaleScope() : m_previous(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(m_previous); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    static locale_t CLocale() {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        return c;
    }
    locale_t m_previous;
};

}  // namespace

int VFormatC(char* buffer, size_t size, const char* format, va_list args) {
    const CLocaleScope c;
    return std::vsnprintf(buffer, size, format, args);
}

int FormatC(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = VFormatC(buffer, size, format, args);
    va_end(args);
    return n;
}

std::string FormatCString(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    const int n = VFormatC(buffer, sizeof buffer, format, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(buffer);
}

size_t ParseDouble(std::string_view text, double& value) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at < text.size() && text[at] == '+') ++at;
    double parsed = 0;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), parsed);
    if (error != std::errc()) return 0;
    value = parsed;
    return static_cast<size_t>(end - text.data());
}

bool ParseWholeDouble(std::string_view text, double& value) {
    double parsed = 0;
    if (text.empty() || ParseDouble(text, parsed) != text.size()) return false;
    value = parsed;
    return true;
}

}  // namespace platform
