# Reads commands.tsv, the list of commands, in a build or in a script (-P):
#   korvel_read_commands(<file>)
# sets KORVEL_COMMANDS (the names, in the list's order) and, for each name,
# KORVEL_SOURCE_<name> (a full path), KORVEL_HELP_<name> (its help file,
# <name>.m beside the source, a full path), KORVEL_WRITTEN_<name>,
# KORVEL_OUTPUT_<name>, KORVEL_RESULTS_<name>, KORVEL_USAGE_<name> and
# KORVEL_GROUP_<name>. A row that does not fit the format stops with an error
# naming its line.
function(korvel_read_commands file)
  get_filename_component(root ${file} DIRECTORY)
  file(STRINGS ${file} lines)
  set(commands)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(line MATCHES "^#" OR line STREQUAL "")
      continue()
    endif()
    if(NOT line MATCHES "^([A-Za-z][A-Za-z0-9_]*)\t([^\t]+\\.cpp)\t([0-9])\t([012])\t(exact|libm|address)\t([^\t\"\\\\]+)\t([A-Z][^\t\"\\\\]*)$")
      message(FATAL_ERROR "${file}:${number}: expected command, source, written, output, "
                          "results, usage and group separated by tabs; got '${line}'")
    endif()
    set(name ${CMAKE_MATCH_1})
    if(NOT EXISTS ${root}/${CMAKE_MATCH_2})
      message(FATAL_ERROR "${file}:${number}: ${name}: no source ${CMAKE_MATCH_2}")
    endif()
    if(name IN_LIST commands)
      message(FATAL_ERROR "${file}:${number}: ${name} is listed twice")
    endif()
    list(APPEND commands ${name})
    set(KORVEL_SOURCE_${name} ${root}/${CMAKE_MATCH_2} PARENT_SCOPE)
    get_filename_component(folder ${root}/${CMAKE_MATCH_2} DIRECTORY)
    set(KORVEL_HELP_${name} ${folder}/${name}.m PARENT_SCOPE)
    set(KORVEL_WRITTEN_${name} ${CMAKE_MATCH_3} PARENT_SCOPE)
    set(KORVEL_OUTPUT_${name} ${CMAKE_MATCH_4} PARENT_SCOPE)
    set(KORVEL_RESULTS_${name} ${CMAKE_MATCH_5} PARENT_SCOPE)
    set(KORVEL_USAGE_${name} "${CMAKE_MATCH_6}" PARENT_SCOPE)
    set(KORVEL_GROUP_${name} "${CMAKE_MATCH_7}" PARENT_SCOPE)
  endforeach()
  set(KORVEL_COMMANDS ${commands} PARENT_SCOPE)
endfunction()
