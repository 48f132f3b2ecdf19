# Precompiled headers: the standard library, Qt and GoogleTest are parsed once
# per group of targets instead of once per source file, which is most of the
# compile time of the screens and the suites.
#
# corr_precompile(TARGET HEADER [VARIANT]) gives TARGET the header
# cmake/pch/HEADER.h. The first target of a HEADER and VARIANT compiles it and
# the others reuse it, so they must be compiled with the same flags and
# definitions: targets that see a definition the others do not (such as
# CORRELATOR_HAVE_AUDIO) name a VARIANT of their own.
#
# On by default; off by default under a compiler launcher such as ccache,
# which caches a compile that uses a precompiled header only with
# CCACHE_SLOPPINESS=pch_defines,time_macros. CORRELATOR_PCH=OFF also checks
# that every file includes what it uses.
if(CMAKE_CXX_COMPILER_LAUNCHER)
  set(corr_pch_default OFF)
else()
  set(corr_pch_default ON)
endif()
option(CORRELATOR_PCH "Precompiled headers for the standard library, Qt and GoogleTest" ${corr_pch_default})

function(corr_precompile target header)
  set(group ${header}${ARGN})
  if(NOT CORRELATOR_PCH OR NOT TARGET ${target})
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    return()
  endif()
  get_property(owner GLOBAL PROPERTY CORR_PCH_OWNER_${group})
  if(owner)
    target_precompile_headers(${target} REUSE_FROM ${owner})
  else()
    target_precompile_headers(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/pch/${header}.h)
    set_property(GLOBAL PROPERTY CORR_PCH_OWNER_${group} ${target})
  endif()
endfunction()
