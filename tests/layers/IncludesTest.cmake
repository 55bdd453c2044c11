# cmake -DROOT=<source root> -DWORK=<scratch folder> -P IncludesTest.cmake
#
# Writes small files into folders named like the tree's and runs
# cmake/CheckIncludes.cmake on each: the allowed ones must pass, every
# forbidden include must be refused with its reason.

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
# Spelled in pieces, so that no file of the tree itself holds these includes.
set(q "Q")
set(w "windows")

function(expect_check relative text outcome)
  set(file "${WORK}/${relative}")
  file(WRITE "${file}" "${text}\n")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DFILES=${file} -DROOT=${WORK}
            -P ${ROOT}/cmake/CheckIncludes.cmake
    RESULT_VARIABLE result ERROR_VARIABLE error OUTPUT_QUIET)
  if(outcome STREQUAL "pass")
    if(NOT result EQUAL 0)
      message(SEND_ERROR "${relative} should pass:\n${error}")
    endif()
  else()
    if(result EQUAL 0)
      message(SEND_ERROR "${relative} should be refused (${outcome})")
    elseif(NOT error MATCHES "${outcome}")
      message(SEND_ERROR "${relative}: refused, but not for \"${outcome}\":\n${error}")
    endif()
  endif()
endfunction()

expect_check(streams/Plain.cpp "#include <string>\n#include \"streams/Streams.h\"" pass)
expect_check(app/qt/Main.cpp "#include <${q}Widget>\n#include \"app/MainLogic.h\"" pass)
expect_check(dialogs/qt/Tree.cpp "#include <${q}tCore/${q}String>" pass)
expect_check(app/win32/Main.cpp "#include <${w}.h>\n#include <commctrl.h>" pass)
expect_check(platform/WinFileEnv.cpp "#include <${w}.h>" pass)
expect_check(app/qt/Program.cpp "#include \"dialogs/qt/BrowseFolderDlg.h\"" pass)

expect_check(app/Logic.cpp "#include <${q}String>" "a Qt header outside a qt/ folder")
expect_check(about/Box.h "  #  include <${q}tWidgets/${q}Dialog>" "a Qt header outside a qt/ folder")
expect_check(compact/Filter.cpp "#include <${w}.h>" "a Win32 header outside a win32/ folder")
expect_check(platform/FileIdentity.cpp "#include <${w}.h>" "a Win32 header outside a win32/ folder")
expect_check(app/qt/Main.cpp "#include <${w}.h>" "a Win32 header outside a win32/ folder")
expect_check(app/win32/Main.cpp "#include <${q}Widget>" "a Qt header outside a qt/ folder")
expect_check(app/BatchRun.cpp "#include \"app/qt/Main.h\"" "window code included by portable code")
expect_check(dialogs/Logic.cpp "#include \"dialogs/win32/Dlg.h\"" "window code included by portable code")
