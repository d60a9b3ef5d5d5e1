# ORV_GTEST_FROM_SOURCE: GoogleTest built inside this build, from the sources Debian ships in
# /usr/src/googletest (package googletest, which libgtest-dev depends on) or from
# ORV_GTEST_SOURCE_DIR, with this build's compiler and standard library. For builds that cannot
# link the installed library: a cross-build (mingw), or a build against libc++ (libcxx), where
# the installed library, made with libstdc++, would not link. Gives the targets that
# find_package(GTest) gives.
include_guard(GLOBAL)

set(ORV_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for ORV_GTEST_FROM_SOURCE")
if(NOT EXISTS ${ORV_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "ORV_GTEST_FROM_SOURCE: no GoogleTest sources in ${ORV_GTEST_SOURCE_DIR} "
                      "(on Debian: apt-get install googletest, or set ORV_GTEST_SOURCE_DIR)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${ORV_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(library gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${library})
    add_library(GTest::${library} ALIAS ${library})
  endif()
endforeach()
