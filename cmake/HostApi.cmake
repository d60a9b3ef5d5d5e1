# The host's plug-in API headers, as two targets that never meet in one target:
# - orv_host: what the bundles and the receiver (the table operator's instance) compile
#   against. By default our own declarations in host/; with ORV_TD_SDK_DIR the published
#   headers from that folder instead.
# - orv_host_api: always host/. The headless host plays the host's side of exactly these
#   declarations, so it and everything built on it (tools, tests, benchmarks) use them.
# The receiver links orv_host; nothing that links orv_harness links the receiver.
include_guard(GLOBAL)

set(ORV_TD_SDK_DIR "" CACHE PATH
    "Folder with the published TouchDesigner SDK headers (Samples/CPlusPlus); empty uses host/")

add_library(orv_host INTERFACE)
if(ORV_TD_SDK_DIR)
  if(NOT EXISTS "${ORV_TD_SDK_DIR}/DAT_CPlusPlusBase.h")
    message(FATAL_ERROR "ORV_TD_SDK_DIR=${ORV_TD_SDK_DIR} holds no DAT_CPlusPlusBase.h")
  endif()
  target_include_directories(orv_host SYSTEM INTERFACE "${ORV_TD_SDK_DIR}")
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT WIN32)
    # The published headers use __cdecl unconditionally, include neither <cstdint> nor
    # <cstddef> off Windows, and redeclare a type name as a member (cudaArray), which GCC
    # accepts only with -fpermissive.
    # SHELL: keeps CMake from folding the second "-include" into the first.
    target_compile_options(orv_host INTERFACE -D__cdecl= "SHELL:-include cstdint"
                           "SHELL:-include cstddef" -fpermissive)
  endif()
else()
  # System include, like the published headers: their unused reserved arguments are no
  # warnings of ours.
  target_include_directories(orv_host SYSTEM INTERFACE ${PROJECT_SOURCE_DIR}/host)
endif()

add_library(orv_host_api INTERFACE)
target_include_directories(orv_host_api SYSTEM INTERFACE ${PROJECT_SOURCE_DIR}/host)
