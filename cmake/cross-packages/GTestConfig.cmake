# GoogleTest for a cross-build: there is no prebuilt library for the target, so build it from
# the sources that Debian's libgtest-dev ships (or ORV_GTEST_SOURCE_DIR) with the target's
# compiler. Provides the targets that find_package(GTest) gives a native build.
set(ORV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross-builds")
if(NOT EXISTS ${ORV_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(GTest_FOUND FALSE)
  return()
endif()
if(NOT TARGET gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${ORV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
foreach(library gtest gtest_main gmock gmock_main)
  if(TARGET ${library} AND NOT TARGET GTest::${library})
    add_library(GTest::${library} ALIAS ${library})
  endif()
endforeach()
set(GTest_FOUND TRUE)
