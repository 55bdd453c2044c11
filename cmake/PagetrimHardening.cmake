# Instrumented builds.
#
# PAGETRIM_SANITIZE builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (gcc or clang); the first finding ends the
# program with an error. `make test-asan` runs the test suite that way.
#
# PAGETRIM_FUZZ (clang only) adds libFuzzer's coverage hooks and both
# sanitizers to every target and builds the fuzz targets of tests/fuzz.
# `make fuzz` builds them in build-fuzz and runs each for a bounded time.

option(PAGETRIM_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(PAGETRIM_SANITIZE OR PAGETRIM_FUZZ)
  set(PAGETRIM_SANITIZER_FLAGS
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${PAGETRIM_SANITIZER_FLAGS})
  add_link_options(${PAGETRIM_SANITIZER_FLAGS})
endif()

if(PAGETRIM_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "PAGETRIM_FUZZ needs clang (configure with CC=clang CXX=clang++)")
  endif()
  # Coverage hooks everywhere; libFuzzer's own main only in the fuzz targets.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
