# Lists what the core leaves undefined and refuses anything that is not the C
# library's: no host operation (mx*, mex*), no C++ runtime (operator new,
# __cxa_*, std::), no libgcc_s unwinder.
execute_process(COMMAND ${NM} --undefined-only --format=just-symbols ${OBJECTS}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot read the symbols of ${OBJECTS}")
endif()
string(REGEX REPLACE "\n$" "" symbols "${symbols}")
string(REPLACE "\n" ";" symbols "${symbols}")
list(REMOVE_DUPLICATES symbols)
list(SORT symbols)
set(refused)
foreach(symbol IN LISTS symbols)
  if(symbol MATCHES "^(mx|mex|_Z|__cxa|__gxx|_Unwind)")
    list(APPEND refused ${symbol})
  endif()
endforeach()
list(JOIN symbols " " shown)
message(STATUS "the core's undefined symbols: ${shown}")
if(refused)
  message(FATAL_ERROR "the core needs more than the C library: ${refused}")
endif()
