# cmake -DFILES="a.cpp|b.h|..." -DROOT=<source root> -P CheckIncludes.cmake
#
# Fails, naming each offending line, when a file includes what its folder
# may not:
#   - Qt headers (<QWidget>, <QtCore/...>) only in files under a qt/ folder;
#   - windows.h and the Win32 window headers only in files under a win32/
#     folder and in platform/Win*.cpp, the operating-system seam;
#   - a header of a toolkit folder ("app/qt/Main.h", "dialogs/win32/...")
#     only from a file of a toolkit folder.

cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED FILES)
  message(FATAL_ERROR "CheckIncludes.cmake: FILES is not set")
endif()
string(REPLACE "|" ";" files "${FILES}")

set(win32_headers windows.h commctrl.h commdlg.h shellapi.h shlobj.h winuser.h wingdi.h)
set(problems "")

foreach(file IN LISTS files)
  set(shown "${file}")
  if(DEFINED ROOT)
    file(RELATIVE_PATH shown "${ROOT}" "${file}")
  endif()
  set(in_qt FALSE)
  set(in_win32 FALSE)
  if(shown MATCHES "(^|/)qt/")
    set(in_qt TRUE)
  endif()
  if(shown MATCHES "(^|/)win32/" OR shown MATCHES "(^|/)platform/Win[^/]*$")
    set(in_win32 TRUE)
  endif()

  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*$" "\\1" header "${line}")
    string(TOLOWER "${header}" lower)
    set(reason "")
    if(NOT in_qt AND (header MATCHES "^Q[A-Za-z0-9]*$" OR header MATCHES "^Qt[A-Za-z0-9]*/"))
      set(reason "a Qt header outside a qt/ folder")
    elseif(NOT in_win32 AND lower IN_LIST win32_headers)
      set(reason "a Win32 header outside a win32/ folder")
    elseif(NOT in_qt AND NOT in_win32 AND header MATCHES "(^|/)(qt|win32)/")
      set(reason "window code included by portable code")
    endif()
    if(reason)
      string(STRIP "${line}" line)
      list(APPEND problems "${shown}: ${line}: ${reason}")
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "Includes that break the layers:\n  ${text}")
endif()
