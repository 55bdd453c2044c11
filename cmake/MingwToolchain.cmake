# Shared part of the MinGW-w64 toolchain files: cross-compiles for Windows
# with Debian's MinGW-w64 compilers (the POSIX-threads flavour, for
# std::thread and std::mutex). The including file sets PAGETRIM_MINGW_TRIPLE
# and CMAKE_SYSTEM_PROCESSOR first.

set(CMAKE_SYSTEM_NAME Windows)
# Windows XP and later: the kernel and version services used here all exist there.
set(CMAKE_SYSTEM_VERSION 5.1)

set(CMAKE_C_COMPILER ${PAGETRIM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PAGETRIM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PAGETRIM_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PAGETRIM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the C and C++ run-times and winpthreads statically, so that the
# executables run on a bare Windows without the compiler's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
