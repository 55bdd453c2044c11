# Cross build for 64-bit Windows (x64). The same sources as the 32-bit
# build; used to run the Windows tests under a 64-bit Wine on machines that
# cannot execute 32-bit x86 code.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(PAGETRIM_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
