# How a plug-in is built: the shared frame plus its own sources, with the plug-ins' conventions
# (no exceptions, no RTTI). On Windows it is the .asi DLL that players install, importing the
# script host's DLL; elsewhere a shared library the host emulator loads.

set(TARQUEL_PLUGIN_COMPILE_OPTIONS -fno-exceptions -fno-rtti -Wall -Wextra -Wpedantic -Wconversion)

set(TARQUEL_HOST_DEF ${PROJECT_SOURCE_DIR}/tools/script_host.def)
if(WIN32)
  # The import library for the script host's DLL. GCC cannot emit the Microsoft-decorated names the
  # host exports, so the plug-ins call plain C names and this library binds each plain name to
  # its decorated export, both taken from the one .def we review.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TARQUEL_HOST_DEF})
  file(STRINGS ${TARQUEL_HOST_DEF} def_lines)
  set(mingw_def "")
  foreach(line IN LISTS def_lines)
    if(line MATCHES "^\\?([A-Za-z0-9_]+)@@")
      string(APPEND mingw_def "${CMAKE_MATCH_1} == ${line}\n")
    elseif(NOT line MATCHES "^;")
      string(APPEND mingw_def "${line}\n")
    endif()
  endforeach()
  set(mingw_def_file ${PROJECT_BINARY_DIR}/script_host.mingw.def)
  file(WRITE ${mingw_def_file} "${mingw_def}")
  set(host_import_lib ${PROJECT_BINARY_DIR}/libscript_host.a)
  add_custom_command(
    OUTPUT ${host_import_lib}
    COMMAND ${CMAKE_DLLTOOL} -d ${mingw_def_file} -l ${host_import_lib} -D ScriptHookV.dll
    DEPENDS ${mingw_def_file} ${TARQUEL_HOST_DEF}
    COMMENT "Import library for the script host")
  add_custom_target(script_host_import_lib DEPENDS ${host_import_lib})
  add_library(script_host_import STATIC IMPORTED GLOBAL)
  set_target_properties(script_host_import PROPERTIES IMPORTED_LOCATION ${host_import_lib})
  add_dependencies(script_host_import script_host_import_lib)
endif()

# tarquel_add_plugin(<target> NAME "<file name>" SOURCES ... [TEST_ONLY])
# TEST_ONLY plug-ins are never installed: they are not for players.
function(tarquel_add_plugin target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "TEST_ONLY" "NAME" "SOURCES")
  add_library(${target} MODULE ${arg_SOURCES} $<TARGET_OBJECTS:plugin_frame>)
  if(WIN32)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/mingw_no_runtime_relocations.cpp)
  endif()
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${target} PRIVATE ${TARQUEL_PLUGIN_COMPILE_OPTIONS})
  target_link_libraries(${target} PRIVATE plugin_frame_interface)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME "${arg_NAME}")
  if(WIN32)
    set_target_properties(${target} PROPERTIES SUFFIX ".asi"
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/unstripped)
    target_link_libraries(${target} PRIVATE script_host_import)
    # A static C++ runtime, no export table (GNU ld would otherwise export every global), and no
    # data imports that would need patching at load: one small file that needs nothing but the
    # system and the host.
    target_link_options(${target} PRIVATE -static -Wl,--exclude-all-symbols -Wl,--gc-sections
      -Wl,--disable-runtime-pseudo-reloc)
    # Players get the file without symbols; the linked one keeps them, so that the tests can
    # find the keyboard callback's code in it, which stripping leaves as it is.
    set(shipped "${CMAKE_CURRENT_BINARY_DIR}/${arg_NAME}.asi")
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_STRIP} --strip-all -o ${shipped} $<TARGET_FILE:${target}>
      VERBATIM)
    if(NOT arg_TEST_ONLY)
      install(FILES ${shipped} DESTINATION .)
    endif()
  else()
    set(shipped "${CMAKE_CURRENT_BINARY_DIR}/${arg_NAME}.so")
    target_link_libraries(${target} PRIVATE script_host_emulator)
    # Only DllMain is the plug-in's door, as on Windows; everything else stays inside. Every
    # symbol must come from the host's library, except a sanitizer's, which the program brings.
    target_link_options(${target} PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/plugin_exports.map)
    if(NOT TARQUEL_SANITIZERS)
      target_link_options(${target} PRIVATE -Wl,-z,defs)
    endif()
  endif()
  # The file a player (or the emulator) loads.
  set_property(TARGET ${target} PROPERTY TARQUEL_PLUGIN_FILE ${shipped})
endfunction()
