#pragma once
// Functions defined between CORR_TARGET_BEGIN("isa") and CORR_TARGET_END are
// compiled for that instruction set, whatever the rest of the file is built
// for; callers check the CPU before they call them.
#define CORR_PRAGMA(x) _Pragma(#x)
#if defined(__clang__)
#define CORR_TARGET_BEGIN(isa) CORR_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define CORR_TARGET_END CORR_PRAGMA(clang attribute pop)
#else
#define CORR_TARGET_BEGIN(isa) CORR_PRAGMA(GCC push_options) CORR_PRAGMA(GCC target(isa))
#define CORR_TARGET_END CORR_PRAGMA(GCC pop_options)
#endif
