# Every build computes in IEEE double, each operation rounded on its own, with
# the flags of exact_flags.mk beside this file (the one place of them). They
# reach everything compiled here, GoogleTest built from its sources too.
set(exact_flags_file ${CMAKE_CURRENT_LIST_DIR}/exact_flags.mk)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${exact_flags_file})
file(STRINGS ${exact_flags_file} exact_flag_lines REGEX "^EXACT_FLAGS")
foreach(line IN LISTS exact_flag_lines)
  if(NOT line MATCHES "^(EXACT_FLAGS[A-Z0-9_]*) *= *(.*)$")
    message(FATAL_ERROR "${exact_flags_file}: expected NAME = flags; got '${line}'")
  endif()
  separate_arguments(${CMAKE_MATCH_1} UNIX_COMMAND "${CMAKE_MATCH_2}")
endforeach()
if(NOT EXACT_FLAGS OR NOT EXACT_FLAGS_X86_32)
  message(FATAL_ERROR "${exact_flags_file}: needs EXACT_FLAGS and EXACT_FLAGS_X86_32")
endif()
add_compile_options(${EXACT_FLAGS})
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86|x86_64|AMD64|amd64)$")
  add_compile_options(${EXACT_FLAGS_X86_32})
endif()
