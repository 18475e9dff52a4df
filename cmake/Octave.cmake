# The real host's side of the build.
#
# korvel_run makes a file of calls through the stand-in host (see
# tests/support/case_runner.cpp); the Octave suite runs the same calls through
# the Octave plug-ins and compares the bits, and any other target can run a
# fixed corpus through it.
add_executable(korvel_run ${CMAKE_SOURCE_DIR}/tests/support/case_runner.cpp)
target_include_directories(korvel_run PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(korvel_run PRIVATE standin_loader korvel_commands)
add_dependencies(korvel_run ${KORVEL_COMMANDS})

# With Octave's mkoctfile at hand, `octave_plugins` builds every command as an
# Octave plug-in with build_mex.m, into <build>/octave with its help files.
find_program(KORVEL_MKOCTFILE mkoctfile)
find_program(KORVEL_OCTAVE_CLI octave-cli)
if(KORVEL_MKOCTFILE AND KORVEL_OCTAVE_CLI AND NOT CMAKE_CROSSCOMPILING)
  set(KORVEL_OCTAVE_PLUGIN_DIR ${CMAKE_BINARY_DIR}/octave)
  add_custom_target(octave_plugins
    COMMAND ${KORVEL_OCTAVE_CLI} --no-gui --no-history --norc --quiet
            --eval "addpath('${CMAKE_SOURCE_DIR}'); build_mex('${KORVEL_OCTAVE_PLUGIN_DIR}')"
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    COMMENT "Building the Octave plug-ins into ${KORVEL_OCTAVE_PLUGIN_DIR}"
    VERBATIM)
endif()
