# The program's libraries and the rules that keep them in layers.
#
# Every folder of portable code (streams/, compact/, app/, ...) is one
# library made by pagetrim_add_core_library; the window code of a toolkit
# sits in a subfolder named after it (qt/, later win32/) and is one library
# made by pagetrim_add_toolkit_library. Portable code must not reach for a
# toolkit:
#   - while building, every file of a library is checked for its includes
#     (cmake/CheckIncludes.cmake): Qt headers only in qt/ folders, windows.h
#     and the other Win32 headers only in win32/ folders and in the
#     platform's Win*.cpp files, and no portable file includes a header of
#     a toolkit folder;
#   - at the end of configuring, pagetrim_check_layers refuses a core
#     library that links a toolkit library, Qt, or a Win32 window library.

# Compiler warnings, set on each of our own targets (not on libraries built
# from source beside them, such as GoogleTest in cross builds).
function(pagetrim_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# Checks the includes of every .h and .cpp file in Folder (not in its
# subfolders) whenever one of them changes, before Target is built.
function(pagetrim_check_includes target folder)
  file(GLOB files CONFIGURE_DEPENDS ${folder}/*.h ${folder}/*.cpp)
  if(NOT files)
    return()
  endif()
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.includes-checked)
  string(REPLACE ";" "|" file_list "${files}")
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DFILES=${file_list} -DROOT=${PROJECT_SOURCE_DIR}
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake
    COMMENT "Checking the includes of ${target}"
    VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()

# The library of the current folder: its sources, the source root as its
# include path, our warnings, and the check of the folder's includes.
function(pagetrim_add_folder_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  pagetrim_set_warnings(${name})
  pagetrim_check_includes(${name} ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()

# pagetrim_add_core_library(<name> <source>...): a static library of portable
# code from the current folder.
function(pagetrim_add_core_library name)
  pagetrim_add_folder_library(${name} ${ARGN})
  set_property(GLOBAL APPEND PROPERTY PAGETRIM_CORE_TARGETS ${name})
endfunction()

# pagetrim_add_toolkit_library(<name> <source>...): a static library of
# window code from a toolkit folder (qt/, win32/). Qt libraries get the
# meta-object compiler.
function(pagetrim_add_toolkit_library name)
  pagetrim_add_folder_library(${name} ${ARGN})
  get_filename_component(toolkit ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  if(toolkit STREQUAL "qt")
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  set_property(TARGET ${name} PROPERTY PAGETRIM_TOOLKIT ${toolkit})
endfunction()

# The window toolkit of this build: win32 on Windows, qt elsewhere. Its
# folders (qt/ or win32/) are built with PAGETRIM_GUI.
if(WIN32)
  set(PAGETRIM_TOOLKIT win32)
else()
  set(PAGETRIM_TOOLKIT qt)
endif()

# Adds the toolkit folder of the current folder that this build makes (qt/
# or win32/, with PAGETRIM_GUI), when it has a CMakeLists.txt. Every
# subsystem folder, and every test folder beside one, ends with this call.
function(pagetrim_add_toolkit_folders)
  if(PAGETRIM_GUI AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${PAGETRIM_TOOLKIT}/CMakeLists.txt)
    add_subdirectory(${PAGETRIM_TOOLKIT})
  endif()
endfunction()

# Libraries of the Win32 window API that portable code must not link.
set(PAGETRIM_WINDOW_SYSTEM_LIBRARIES user32 gdi32 comctl32 comdlg32 shell32 ole32 uxtheme)

# Refuses, with the reason, every core library that links (directly or
# through a library it links) a toolkit library, Qt or a Win32 window
# library. Called once at the end of the top-level CMakeLists.txt.
function(pagetrim_check_layers)
  get_property(cores GLOBAL PROPERTY PAGETRIM_CORE_TARGETS)
  foreach(core IN LISTS cores)
    set(pending ${core})
    set(seen "")
    while(pending)
      list(POP_FRONT pending current)
      if(current IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${current})
      get_target_property(links ${current} LINK_LIBRARIES)
      get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
      foreach(item IN LISTS links interface)
        if(NOT item OR item MATCHES "-NOTFOUND$")
          continue()
        endif()
        # $<LINK_ONLY:x> and similar wrappers name a library all the same.
        string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" item "${item}")
        set(reason "")
        if(item MATCHES "^Qt[0-9]*::" OR item MATCHES "^Qt[0-9]*[A-Z]")
          set(reason "Qt")
        elseif(item IN_LIST PAGETRIM_WINDOW_SYSTEM_LIBRARIES)
          set(reason "a Win32 window library")
        elseif(TARGET ${item})
          get_target_property(toolkit ${item} PAGETRIM_TOOLKIT)
          if(toolkit)
            set(reason "window code of the ${toolkit} toolkit")
          else()
            list(APPEND pending ${item})
          endif()
        endif()
        if(reason)
          if(current STREQUAL core)
            set(path "")
          else()
            set(path " (through ${current})")
          endif()
          message(FATAL_ERROR
            "${core} is portable code and must not link ${item}${path}: that is ${reason}. "
            "Window code belongs in a qt/ or win32/ folder.")
        endif()
      endforeach()
    endwhile()
  endforeach()
endfunction()
