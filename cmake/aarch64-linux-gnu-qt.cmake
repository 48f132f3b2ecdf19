# Cross build of the whole program for 64-bit ARM: the core toolchain
# (aarch64-linux-gnu.cmake) plus a folder of arm64 packages unpacked with
# dpkg -x (Qt 6, its libraries and the -dev packages the program links),
# given as CORRELATOR_ARM64_SYSROOT. Qt's build tools (moc, rcc, uic) are
# the host's, of the same Qt version (qt6-base-dev-tools).
include(${CMAKE_CURRENT_LIST_DIR}/aarch64-linux-gnu.cmake)

if(NOT CORRELATOR_ARM64_SYSROOT)
  set(CORRELATOR_ARM64_SYSROOT "$ENV{CORRELATOR_ARM64_SYSROOT}")
endif()
if(NOT IS_DIRECTORY "${CORRELATOR_ARM64_SYSROOT}/usr/lib/aarch64-linux-gnu")
  message(FATAL_ERROR "CORRELATOR_ARM64_SYSROOT (${CORRELATOR_ARM64_SYSROOT}) holds no unpacked arm64 packages")
endif()
# Try-compile projects see the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CORRELATOR_ARM64_SYSROOT)

set(_root "${CORRELATOR_ARM64_SYSROOT}")
list(PREPEND CMAKE_FIND_ROOT_PATH "${_root}")
# The unpacked libraries' own dependencies are found at link time there; the
# host's multi-arch folder still holds GoogleTest for arm64.
foreach(_dir "${_root}/usr/lib/aarch64-linux-gnu" "${_root}/lib/aarch64-linux-gnu")
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -Wl,-rpath-link,${_dir}")
  string(APPEND CMAKE_SHARED_LINKER_FLAGS_INIT " -Wl,-rpath-link,${_dir}")
endforeach()
# Multi-arch headers (jconfig.h and the like), which the cross compiler does
# not look for by itself.
set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES "${_root}/usr/include/aarch64-linux-gnu")
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES "${_root}/usr/include/aarch64-linux-gnu")
set(ENV{PKG_CONFIG_LIBDIR} "${_root}/usr/lib/aarch64-linux-gnu/pkgconfig:${_root}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${_root}")

set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64;-L;${_root})
