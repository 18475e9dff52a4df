# The kernels allocate nothing but output 1, which the host creates: no
# plug-in may import the C or C++ heap. Reads each plug-in's undefined
# dynamic symbols with nm.
set(heap_symbols malloc calloc realloc free posix_memalign aligned_alloc memalign valloc
    _Znwm _Znam _ZdlPv _ZdaPv _ZdlPvm _ZdaPvm _ZnwmRKSt9nothrow_t _ZnamRKSt9nothrow_t)
# valueSwap may take O(L) scratch for its lookup over many pairs,
# korvelFaceShown one bit per point for the flags of a large screen,
# korvelPaintTriangles a box per face painted (for its threads) and
# korvelDepthOrder a key per face drawn (for its sort); each frees it before
# it can raise an error, and falls back to a plain way when it cannot have
# it. korvelEncodePng holds the compressed file until its output is
# created (its size is known only then) and refuses (tooLarge) a picture
# whose scratch it cannot have.
cmake_policy(SET CMP0057 NEW)
set(scratch_allowed valueSwap korvelFaceShown korvelPaintTriangles korvelDepthOrder
    korvelEncodePng)
set(failures 0)
foreach(command IN LISTS COMMANDS)
  if(command IN_LIST scratch_allowed)
    continue()
  endif()
  set(plugin ${PLUGIN_DIR}/${command}${SUFFIX})
  execute_process(COMMAND ${NM} -D --undefined-only ${plugin}
                  OUTPUT_VARIABLE imports RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "${command}: cannot read the symbols of ${plugin}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  set(found)
  foreach(symbol IN LISTS heap_symbols)
    if(imports MATCHES "[ \n]${symbol}(@[^\n]*)?\n")
      list(APPEND found ${symbol})
    endif()
  endforeach()
  if(found)
    message(SEND_ERROR "${command} allocates memory of its own (imports ${found}); "
                       "only output 1, created by the host, may be allocated")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
list(LENGTH COMMANDS count)
message(STATUS "heap imports checked for ${count} plug-ins, ${failures} failed")
