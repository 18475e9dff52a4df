# The warnings our own targets are built with: each links korvel_warnings,
# so that code of others built here (GoogleTest from its sources) keeps its
# own. KORVEL_WERROR makes them errors.
add_library(korvel_warnings INTERFACE)
target_compile_options(korvel_warnings INTERFACE -Wall -Wextra)
if(KORVEL_WERROR)
  target_compile_options(korvel_warnings INTERFACE -Werror)
endif()
