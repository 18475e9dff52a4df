# The case table (cases.h) as a library, for the tests, the fuzz targets and
# the corpus writer, whichever of them the build has.
if(NOT TARGET korvel_cases)
  add_library(korvel_cases STATIC ${CMAKE_CURRENT_LIST_DIR}/cases.cpp)
  target_include_directories(korvel_cases PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(korvel_cases PRIVATE korvel_warnings)
endif()
