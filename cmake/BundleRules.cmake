# How a plug-in bundle is built, shared by every bundle folder (dat/, chop/, beatchop/,
# eventschop/):
# - a MODULE library named exactly after the operator (OrvDat.so here, OrvDat.dll on Windows,
#   OrvDat.plugin on macOS), no "lib" prefix;
# - hidden symbols, and a linker export list on top, so that the bundle exports its three
#   entry points and nothing else: neither our static libraries nor the standard library's
#   template instances leak into the host's symbol space;
# - no undefined symbols allowed, so a bundle that links loads alone with RTLD_NOW;
# - every bundle links the same receiver and MessagePack libraries, so OrvReceiver has one
#   layout and one lock type in all of them;
# - every bundle lands in ${ORV_BUNDLE_DIR}, where tests, tools and users find them.
include_guard(GLOBAL)

set(ORV_BUNDLE_DIR ${CMAKE_BINARY_DIR}/bundles CACHE INTERNAL "Where the plug-in bundles are built")
option(ORV_UNIVERSAL "macOS: build the bundles for both x86_64 and arm64" OFF)
if(APPLE AND ORV_UNIVERSAL)
  # Every target, so that the static libraries a bundle links carry both slices too.
  set(CMAKE_OSX_ARCHITECTURES "x86_64;arm64")
endif()

function(orv_add_bundle target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;ENTRY_POINTS")
  add_library(${target} MODULE ${arg_SOURCES})
  # The list of every bundle, for what must name or build them all (the tool, its tests).
  set_property(GLOBAL APPEND PROPERTY ORV_BUNDLE_TARGETS ${target})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE orv_plugin orv_warnings)
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    LIBRARY_OUTPUT_DIRECTORY ${ORV_BUNDLE_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${ORV_BUNDLE_DIR})

  if(WIN32)
    # __declspec(dllexport) on the entry points is the whole export list; DLLs never link
    # with undefined symbols.
    return()
  endif()

  if(APPLE)
    # A loadable bundle: OrvDat.plugin/Contents/MacOS/OrvDat with a generated Info.plist
    # that names it a loadable bundle (BNDL), not an application.
    set_target_properties(${target} PROPERTIES
      BUNDLE TRUE
      BUNDLE_EXTENSION plugin
      MACOSX_BUNDLE_INFO_PLIST ${PROJECT_SOURCE_DIR}/cmake/PluginInfo.plist.in
      MACOSX_BUNDLE_BUNDLE_NAME ${target}
      MACOSX_BUNDLE_GUI_IDENTIFIER org.orv.${target}
      MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
      MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION})
    list(TRANSFORM arg_ENTRY_POINTS PREPEND "_" OUTPUT_VARIABLE exported)
    list(JOIN exported "\n" exported)
    set(export_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.exported)
    file(WRITE ${export_file} "${exported}\n")
    target_link_options(${target} PRIVATE -Wl,-undefined,error
                        -Wl,-exported_symbols_list,${export_file})
  else()
    list(JOIN arg_ENTRY_POINTS "; " exported)
    set(export_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.version)
    file(WRITE ${export_file} "{\n  global: ${exported};\n  local: *;\n};\n")
    target_link_options(${target} PRIVATE -Wl,--version-script=${export_file})
    # Clang links its sanitizer runtimes into executables only, so a sanitized bundle
    # resolves them from the host process; GCC links them as shared libraries.
    if(NOT (ORV_SANITIZE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${export_file})
endfunction()
