# Checked builds, off by default so that the normal build stays as it is.
#
# CORRELATOR_SANITIZE: every library, test and program built with
# AddressSanitizer and UndefinedBehaviorSanitizer (float-to-int overflow
# included); the first finding ends the process.
# CORRELATOR_FUZZ (clang only): the same, with the libraries instrumented for
# coverage, and the libFuzzer harnesses of fuzz/ built beside the tests.

option(CORRELATOR_SANITIZE "Build everything with ASan and UBSan" OFF)
option(CORRELATOR_FUZZ "Build the libFuzzer harnesses (clang; implies CORRELATOR_SANITIZE)" OFF)

if(CORRELATOR_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "CORRELATOR_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(CORRELATOR_SANITIZE ON)
endif()

if(CORRELATOR_SANITIZE)
  set(CORR_SANITIZERS -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all)
  add_compile_options(${CORR_SANITIZERS} -fno-omit-frame-pointer)
  add_link_options(${CORR_SANITIZERS})
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # Line tables are all a report's stack needs, and link far faster.
    add_compile_options(-gline-tables-only)
  endif()
endif()

if(CORRELATOR_FUZZ)
  # Coverage for the fuzzer in every library; libFuzzer's main only in fuzz/.
  add_compile_options(-fsanitize=fuzzer-no-link
                      -fsanitize-coverage-ignorelist=${CMAKE_CURRENT_LIST_DIR}/coverage-ignore.txt)
  add_link_options(-fsanitize=fuzzer-no-link)
endif()
