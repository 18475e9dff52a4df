# The release archives: for each platform built, out/korvel-<version>-<arch>
# (.zip for Windows, .tar.gz for Linux) holding one folder korvel/ with the
# commands' plug-ins, their help files, Contents.m, the examples' .m files
# (beside the commands, so one addpath serves both), LICENSE and INSTALL;
# then SHA256SUMS of the archives. Only the commands of commands.tsv ship:
# no test plug-in and no stand-in host library (MATLAB has its own).
#   cmake -DOUT=out -DCONTENTS=build-octave/Contents.m
#         [-DGLNXA64=build/mex] [-DWIN64=build-windows64/mex] [-DWIN32=build-windows32/mex]
#         -P cmake/Dist.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/CommandList.cmake)
korvel_read_commands(${root}/commands.tsv)
file(GLOB examples ${root}/examples/*.m)

file(STRINGS ${root}/package/DESCRIPTION version_line REGEX "^Version: ")
string(REGEX REPLACE "^Version: *" "" version "${version_line}")
get_filename_component(out ${OUT} ABSOLUTE)
file(MAKE_DIRECTORY ${out})
# One fixed modification time for every member. (The zip members still carry
# their files' access times in an extra field, so a zip is not byte-reproducible.)
set(mtime "2026-01-01 00:00:00Z")

set(suffix_glnxa64 .mexa64)
set(suffix_win64 .mexw64)
set(suffix_win32 .mexw32)
set(archives)
foreach(arch glnxa64 win64 win32)
  string(TOUPPER ${arch} variable)
  if(NOT DEFINED ${variable})
    continue()
  endif()
  set(stage ${out}/stage-${arch})
  file(REMOVE_RECURSE ${stage})
  file(MAKE_DIRECTORY ${stage}/korvel)
  foreach(command IN LISTS KORVEL_COMMANDS)
    set(plugin ${${variable}}/${command}${suffix_${arch}})
    if(NOT EXISTS ${plugin})
      message(FATAL_ERROR "no ${plugin}: build the ${arch} plug-ins first")
    endif()
    file(COPY ${plugin} ${KORVEL_HELP_${command}} DESTINATION ${stage}/korvel)
  endforeach()
  file(COPY ${CONTENTS} ${examples} ${root}/LICENSE ${root}/package/release/INSTALL
       DESTINATION ${stage}/korvel)
  if(arch STREQUAL "glnxa64")
    set(archive korvel-${version}-${arch}.tar.gz)
    set(format gnutar)
    set(flags czf)
  else()
    set(archive korvel-${version}-${arch}.zip)
    set(format zip)
    set(flags cf)
  endif()
  file(REMOVE ${out}/${archive})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E tar ${flags} ${out}/${archive} --format=${format} "--mtime=${mtime}" korvel
    WORKING_DIRECTORY ${stage} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot write ${out}/${archive}")
  endif()
  file(REMOVE_RECURSE ${stage})
  list(APPEND archives ${archive})
  message(STATUS "${out}/${archive}")
endforeach()

set(sums "")
foreach(archive IN LISTS archives)
  file(SHA256 ${out}/${archive} hash)
  string(APPEND sums "${hash}  ${archive}\n")
endforeach()
file(WRITE ${out}/SHA256SUMS "${sums}")
