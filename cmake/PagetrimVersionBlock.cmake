# pagetrim_add_version_block(<target>
#     [DESCRIPTION <text>]         FileDescription; default "Pagetrim"
#     [ORIGINAL_FILENAME <name>]   OriginalFilename; default the target's
#                                  OUTPUT_NAME (or its name) and suffix
#     [INTERNAL_NAME <name>])      InternalName; default the target's name
#
# Gives an executable target a version block: the top-level project's
# version (major.minor.release.build, a missing build being 0) as file and
# product version, the product's strings, and translation 0x0409 with code
# page 1252. pagetrim-versiongen writes the block as a source of the target
# that puts it into the ELF section ".vs_version_info", where ReadVersionInfo
# finds it in the file on disk.

set(PAGETRIM_COMPANY_NAME "Brindle" CACHE STRING "CompanyName of the version blocks")
set(PAGETRIM_LEGAL_COPYRIGHT "Copyright © 2026 Brindle" CACHE STRING
    "LegalCopyright of the version blocks")

function(pagetrim_add_version_block target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "DESCRIPTION;ORIGINAL_FILENAME;INTERNAL_NAME" "")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "pagetrim_add_version_block: unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT DEFINED ARG_DESCRIPTION)
    set(ARG_DESCRIPTION "Pagetrim")
  endif()
  if(NOT DEFINED ARG_ORIGINAL_FILENAME)
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
      set(name ${target})
    endif()
    set(ARG_ORIGINAL_FILENAME "${name}${CMAKE_EXECUTABLE_SUFFIX}")
  endif()
  if(NOT DEFINED ARG_INTERNAL_NAME)
    set(ARG_INTERNAL_NAME ${target})
  endif()

  set(version ${CMAKE_PROJECT_VERSION_MAJOR}.${CMAKE_PROJECT_VERSION_MINOR})
  foreach(part PATCH TWEAK)
    if("${CMAKE_PROJECT_VERSION_${part}}" STREQUAL "")
      string(APPEND version .0)
    else()
      string(APPEND version .${CMAKE_PROJECT_VERSION_${part}})
    endif()
  endforeach()

  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_block.cpp)
  add_custom_command(
    OUTPUT ${source}
    COMMAND pagetrim-versiongen --output ${source}
            --file-version ${version} --product-version ${version}
            --language 0409 --code-page 1252
            --string "CompanyName=${PAGETRIM_COMPANY_NAME}"
            --string "FileDescription=${ARG_DESCRIPTION}"
            --string "FileVersion=${version}"
            --string "InternalName=${ARG_INTERNAL_NAME}"
            --string "LegalCopyright=${PAGETRIM_LEGAL_COPYRIGHT}"
            --string "OriginalFilename=${ARG_ORIGINAL_FILENAME}"
            --string "ProductName=Pagetrim"
            --string "ProductVersion=${version}"
    DEPENDS pagetrim-versiongen
    COMMENT "Version block of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${source})
endfunction()
