# CLI11 for cross builds. The library is header-only, so the host's headers
# serve any target; only they are put on the include path, not the rest of
# the host's /usr/include.
if(NOT TARGET CLI11::CLI11)
  set(_pagetrim_cli11_include ${CMAKE_BINARY_DIR}/cross-include/cli11)
  if(NOT EXISTS /usr/include/CLI/CLI.hpp)
    set(CLI11_FOUND FALSE)
    set(CLI11_NOT_FOUND_MESSAGE "No CLI11 headers in /usr/include/CLI: install libcli11-dev")
    return()
  endif()
  file(MAKE_DIRECTORY ${_pagetrim_cli11_include})
  file(CREATE_LINK /usr/include/CLI ${_pagetrim_cli11_include}/CLI SYMBOLIC)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${_pagetrim_cli11_include})
endif()
set(CLI11_FOUND TRUE)
