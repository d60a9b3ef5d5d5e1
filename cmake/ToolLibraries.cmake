# What the orv tool needs beyond the compiler: nlohmann-json (required), and libpcap for
# record and replay (optional: without it those two commands say that they need it).
# Sets ORV_PCAP_TARGET (empty without libpcap) and ORV_CAPTURE_SOURCE.
include_guard(GLOBAL)

find_package(nlohmann_json 3 QUIET)
if(NOT nlohmann_json_FOUND)
  find_path(ORV_NLOHMANN_JSON_INCLUDE nlohmann/json.hpp)
  if(NOT ORV_NLOHMANN_JSON_INCLUDE)
    message(FATAL_ERROR "orv needs nlohmann-json (Debian/Ubuntu: apt-get install nlohmann-json3-dev; "
                        "macOS: brew install nlohmann-json), or configure with -DORV_BUILD_TOOLS=OFF")
  endif()
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${ORV_NLOHMANN_JSON_INCLUDE})
endif()

# libpcap for record and replay; without it the tool still builds and those two say so.
set(ORV_PCAP_TARGET "")
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(ORV_PCAP QUIET IMPORTED_TARGET libpcap)
  if(ORV_PCAP_FOUND)
    set(ORV_PCAP_TARGET PkgConfig::ORV_PCAP)
  endif()
endif()
if(NOT ORV_PCAP_TARGET)
  find_library(ORV_PCAP_LIBRARY pcap)
  find_path(ORV_PCAP_INCLUDE pcap/pcap.h)
  if(ORV_PCAP_LIBRARY AND ORV_PCAP_INCLUDE)
    add_library(orv_pcap INTERFACE)
    target_include_directories(orv_pcap INTERFACE ${ORV_PCAP_INCLUDE})
    target_link_libraries(orv_pcap INTERFACE ${ORV_PCAP_LIBRARY})
    set(ORV_PCAP_TARGET orv_pcap)
  endif()
endif()
# The tool's tests skip record and replay without it.
if(ORV_PCAP_TARGET)
  set(ORV_TOOL_HAS_PCAP ON CACHE INTERNAL "orv record and replay are built with libpcap")
else()
  set(ORV_TOOL_HAS_PCAP OFF CACHE INTERNAL "orv record and replay are built with libpcap")
endif()
if(ORV_PCAP_TARGET)
  set(ORV_CAPTURE_SOURCE pcap/CaptureFilePcap.cpp)
else()
  message(STATUS "libpcap not found: orv record and replay will say that they need it")
  set(ORV_CAPTURE_SOURCE pcap/CaptureFileMissing.cpp)
endif()

