# Settings for Windows builds, included by the root CMakeLists.txt.
#
# The Windows build is the core, its tests, the command line and the window
# program written against the Win32 API (the win32/ folders); the Qt window
# program is not part of it, and neither are the benchmarks.

set(PAGETRIM_BENCH OFF CACHE BOOL "Build the benchmarks" FORCE)

# Version resources, icons and the window program's resources go through
# the resource compiler.
enable_language(RC)

# The Windows headers: no min/max macros, no rarely used parts.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN)

if(CMAKE_CROSSCOMPILING)
  # Test programs (and anything else the build runs through
  # CROSSCOMPILING_EMULATOR) run under Wine, in a Wine prefix of this build
  # directory that the wrapper creates on first use. Windows open there on
  # Wine's null display driver: no display is needed (scripts/wine-run).
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_pagetrim_wine_bits 64)
  else()
    set(_pagetrim_wine_bits 32)
  endif()
  set(PAGETRIM_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${PROJECT_SOURCE_DIR}/scripts/wine-run
      --bits ${_pagetrim_wine_bits}
      --prefix ${PAGETRIM_WINE_PREFIX})
endif()

if(CMAKE_CROSSCOMPILING)
  # Header-only libraries of the host that the Windows build uses.
  set(CLI11_DIR ${PROJECT_SOURCE_DIR}/cmake/cross CACHE PATH "CLI11 for the cross build" FORCE)
endif()
