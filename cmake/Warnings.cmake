# orv_warnings: the warning flags for our own code only (every target links it privately);
# third-party and SDK headers come in as system includes. ORV_WERROR makes them errors, as the
# presets and CI do.
include_guard(GLOBAL)

option(ORV_WERROR "Treat warnings as errors" OFF)

add_library(orv_warnings INTERFACE)
if(MSVC)
  target_compile_options(orv_warnings INTERFACE /W4 $<$<BOOL:${ORV_WERROR}>:/WX>)
else()
  target_compile_options(orv_warnings INTERFACE -Wall -Wextra -Wpedantic
                         $<$<BOOL:${ORV_WERROR}>:-Werror>)
endif()
