# The commands come from commands.tsv (cmake/CommandList.cmake reads it): one
# plug-in each, and korvel_commands.h, the same list for the C++ tests and
# fuzz targets (target korvel_commands).
include(${CMAKE_CURRENT_LIST_DIR}/CommandList.cmake)
set(KORVEL_COMMAND_LIST ${CMAKE_SOURCE_DIR}/commands.tsv)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KORVEL_COMMAND_LIST})
korvel_read_commands(${KORVEL_COMMAND_LIST})

set(KORVEL_COMMAND_ROWS)
foreach(command IN LISTS KORVEL_COMMANDS)
  file(RELATIVE_PATH source ${CMAKE_SOURCE_DIR} ${KORVEL_SOURCE_${command}})
  file(RELATIVE_PATH help ${CMAKE_SOURCE_DIR} ${KORVEL_HELP_${command}})
  string(APPEND KORVEL_COMMAND_ROWS
         "    {\"${command}\", \"${source}\", \"${help}\", "
         "${KORVEL_WRITTEN_${command}}, ${KORVEL_OUTPUT_${command}}, Results::${KORVEL_RESULTS_${command}}, "
         "\"${KORVEL_USAGE_${command}}\"},\n")
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/tests/support/korvel_commands.h.in
               ${CMAKE_BINARY_DIR}/generated/korvel_commands.h @ONLY)
add_library(korvel_commands INTERFACE)
target_include_directories(korvel_commands INTERFACE ${CMAKE_BINARY_DIR}/generated)

if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KORVEL_PLUGIN_SUFFIX .mexw64)
elseif(WIN32)
  set(KORVEL_PLUGIN_SUFFIX .mexw32)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KORVEL_PLUGIN_SUFFIX .mexa64)
else()
  set(KORVEL_PLUGIN_SUFFIX .mexglx)
endif()

# What every binary that ships is built with, a plug-in or the C interface's
# library: only the exports it declares visible, and nothing that needs the
# C++ runtime or a C library newer than the baseline.
function(korvel_shipped_build target)
  set_target_properties(${target} PROPERTIES
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-rtti)
  # No kernel reads errno, and without it sqrt compiles to the (correctly
  # rounded, hence identical) sqrt instruction, so loops with one vectorize.
  target_compile_options(${target} PRIVATE -fno-math-errno)
  if(NOT WIN32)
    # Loads with every C library from 2.17 on (core/glibc_baseline.h).
    target_compile_options(${target} PRIVATE
      -include ${CMAKE_SOURCE_DIR}/core/glibc_baseline.h)
    # libgcc's helpers (64-bit division on 32-bit x86) linked in, not libgcc_s.
    target_link_options(${target} PRIVATE -static-libgcc
      LINKER:--push-state,--no-as-needed -l:libpthread.so.0 LINKER:--pop-state)
  endif()
endfunction()

# A plug-in: a shared library named after its command, linked against the
# host's array library exactly as a real plug-in is, exporting only its entry.
function(korvel_add_plugin command source)
  add_library(${command} MODULE ${source})
  target_link_libraries(${command} PRIVATE host_for_plugins korvel_warnings)
  if(TARGET host_plugin_import_libraries)
    add_dependencies(${command} host_plugin_import_libraries)
  endif()
  set_target_properties(${command} PROPERTIES PREFIX "" SUFFIX ${KORVEL_PLUGIN_SUFFIX})
  korvel_shipped_build(${command})
  if(NOT WIN32)
    # The host libraries beside the plug-in, never a path of the build machine.
    set_target_properties(${command} PROPERTIES BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN"
      BUILD_RPATH_USE_ORIGIN ON)
  endif()
endfunction()

# A command of the list. One built from the source of another gets its own
# name as MEX_COMMAND_NAME, which that source reads.
function(korvel_add_command command)
  korvel_add_plugin(${command} ${KORVEL_SOURCE_${command}})
  get_filename_component(source_name ${KORVEL_SOURCE_${command}} NAME_WE)
  if(NOT source_name STREQUAL command)
    target_compile_definitions(${command} PRIVATE MEX_COMMAND_NAME=${command})
  endif()
endfunction()
