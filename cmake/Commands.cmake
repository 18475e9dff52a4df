# The one list of commands: every source directly under the kernel folders is
# one plug-in named after it. A command built from another command's source
# is listed in KORVEL_COMMAND_ALIASES as "name=source".
set(KORVEL_KERNEL_DIRS transforms projections scene arrays)
set(KORVEL_COMMAND_ALIASES "pelvaDataPtr=arrays/korvelDataPtr.cpp")

set(KORVEL_COMMANDS)
foreach(dir IN LISTS KORVEL_KERNEL_DIRS)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  foreach(source IN LISTS sources)
    get_filename_component(command ${source} NAME_WE)
    list(APPEND KORVEL_COMMANDS ${command})
    set(KORVEL_SOURCE_${command} ${source})
  endforeach()
endforeach()
foreach(alias IN LISTS KORVEL_COMMAND_ALIASES)
  string(REPLACE "=" ";" pair ${alias})
  list(GET pair 0 command)
  list(GET pair 1 source)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${source})
    list(APPEND KORVEL_COMMANDS ${command})
    set(KORVEL_SOURCE_${command} ${CMAKE_SOURCE_DIR}/${source})
  endif()
endforeach()
list(SORT KORVEL_COMMANDS)

if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KORVEL_PLUGIN_SUFFIX .mexw64)
elseif(WIN32)
  set(KORVEL_PLUGIN_SUFFIX .mexw32)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KORVEL_PLUGIN_SUFFIX .mexa64)
else()
  set(KORVEL_PLUGIN_SUFFIX .mexglx)
endif()

# A plug-in: a shared library named after its command, linked against the
# host's array library exactly as a real plug-in is, exporting only its entry.
function(korvel_add_plugin command source)
  add_library(${command} MODULE ${source})
  target_link_libraries(${command} PRIVATE mx_for_plugins)
  if(TARGET mx_plugin_import_library)
    add_dependencies(${command} mx_plugin_import_library)
  endif()
  target_compile_definitions(${command} PRIVATE MEX_COMMAND_NAME=${command})
  set_target_properties(${command} PROPERTIES
    PREFIX "" SUFFIX ${KORVEL_PLUGIN_SUFFIX}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_compile_options(${command} PRIVATE -fno-exceptions -fno-rtti)
  # No kernel reads errno, and without it sqrt compiles to the (correctly
  # rounded, hence identical) sqrt instruction, so loops with one vectorize.
  target_compile_options(${command} PRIVATE -fno-math-errno)
  if(NOT WIN32)
    set_target_properties(${command} PROPERTIES BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN")
  endif()
endfunction()
