# Packs a filled release folder into the zip that players download, with its checksum beside it:
#
#   cmake -DDIST_DIR=<dist> -DVERSION=<x.y.z> -P cmake/make_release_zip.cmake
#
# gives <dist>/Tarquel-<x.y.z>.zip, holding every file under <dist> with paths relative to it
# (earlier zips and checksums left out), and <dist>/Tarquel-<x.y.z>.zip.sha256 in the format
# that `sha256sum -c` checks. Stops before writing anything when a file players need is missing.

cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED DIST_DIR OR DIST_DIR STREQUAL "")
  message(FATAL_ERROR "DIST_DIR is not set: cmake -DDIST_DIR=<dist> -DVERSION=<x.y.z> -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
if(NOT DEFINED VERSION OR NOT VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "VERSION must be x.y.z, such as 1.0.0; got \"${VERSION}\"")
endif()

# A relative DIST_DIR means the caller's current directory, as on any command line.
get_filename_component(dist "${DIST_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${dist}")
  message(FATAL_ERROR "DIST_DIR ${dist} is not a folder")
endif()

set(required
  "Tarquel Clock.asi"
  "Tarquel HaltGlimmer.asi"
  "README.txt"
  "tarquel-check.exe"
  "asi/Tarquel Clock.ini"
  "asi/Tarquel HaltGlimmer.ini")
set(missing "")
foreach(file IN LISTS required)
  if(NOT EXISTS "${dist}/${file}" OR IS_DIRECTORY "${dist}/${file}")
    list(APPEND missing "${file}")
  endif()
endforeach()
if(missing)
  list(JOIN missing "\n  " missing_text)
  message(FATAL_ERROR "${dist} lacks what players need:\n  ${missing_text}")
endif()

set(zip_name "Tarquel-${VERSION}.zip")
set(zip "${dist}/${zip_name}")
set(checksum "${zip}.sha256")
# A stale zip of the same version must neither end up inside the new one nor survive a failure
# with its old checksum beside it.
file(REMOVE "${zip}" "${checksum}")

file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE "${dist}" "${dist}/*")
set(contents "")
foreach(file IN LISTS found)
  if(NOT file MATCHES "\\.zip$" AND NOT file MATCHES "\\.zip\\.sha256$")
    list(APPEND contents "${file}")
  endif()
endforeach()
list(SORT contents)

execute_process(
  COMMAND "${CMAKE_COMMAND}" -E tar cf "${zip}" --format=zip -- ${contents}
  WORKING_DIRECTORY "${dist}"
  RESULT_VARIABLE result
  ERROR_VARIABLE error)
if(NOT result EQUAL 0 OR NOT EXISTS "${zip}")
  file(REMOVE "${zip}")
  message(FATAL_ERROR "packing ${zip} failed (${result}): ${error}")
endif()

file(SHA256 "${zip}" hash)
file(WRITE "${checksum}" "${hash}  ${zip_name}\n")

list(LENGTH contents count)
message(STATUS "${zip_name}: ${count} files; checksum in ${zip_name}.sha256")
