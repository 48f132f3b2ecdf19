#include "platform/Debug.h"
#include "platform/Numbers.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

std::function<void(std::string_view)>& Sink() {
    static std::function<void(std::string_view)> sink;
    return sink;
}

bool ToStderr() {
    static const bool on = std::getenv("CORRELATOR_DEBUG") != nullptr;
    return on;
}

}  // namespace

void DebugOutput(std::string_view text) {
    if (ToStderr()) std::fwrite(text.data(), 1, text.size(), stderr);
    if (Sink()) Sink()(text);
}

void DebugPrintf(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    VFormatC(buffer, sizeof buffer, format, args);
    va_end(args);
    DebugOutput(buffer);
}

void SetDebugSink(std::function<void(std::string_view)> sink) { Sink() = std::move(sink); }

}  // namespace platform
