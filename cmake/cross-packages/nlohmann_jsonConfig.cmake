# nlohmann-json for a cross-build: the header-only library of the build machine (or
# ORV_NLOHMANN_JSON_HEADERS), seen through a folder that holds nothing else, so that the
# build machine's C library headers never shadow the target's.
set(ORV_NLOHMANN_JSON_HEADERS /usr/include/nlohmann CACHE PATH "nlohmann/ header folder for cross-builds")
if(NOT EXISTS ${ORV_NLOHMANN_JSON_HEADERS}/json.hpp)
  set(nlohmann_json_FOUND FALSE)
  return()
endif()
set(orv_json_include ${CMAKE_BINARY_DIR}/cross-include)
if(NOT EXISTS ${orv_json_include}/nlohmann)
  file(MAKE_DIRECTORY ${orv_json_include})
  file(CREATE_LINK ${ORV_NLOHMANN_JSON_HEADERS} ${orv_json_include}/nlohmann SYMBOLIC)
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${orv_json_include})
endif()
set(nlohmann_json_FOUND TRUE)
