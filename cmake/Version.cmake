# The build's one version text: the project version and the commit the tree was configured at,
# as "0.1.0+1a2b3c4" (or "0.1.0+unknown" without git or outside a repository). It goes into a
# generated header, OrvVersion.h, that every bundle and the tool include through the target
# orv_version, so a bundle's Info DAT and `orv --version` name the same build.
#
# The commit is read when CMake configures. CMake configures again when HEAD or the branch it
# points at moves, so a build after a commit never carries the commit before it.
include_guard(GLOBAL)

set(ORV_COMMIT "unknown")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=12 HEAD
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE commit_result ERROR_QUIET)
  if(commit_result EQUAL 0 AND commit MATCHES "^[0-9a-f]+$")
    set(ORV_COMMIT ${commit})
    # The files whose change means another commit: HEAD, and the branch file it names (a
    # packed branch has none; then only a move of HEAD itself is seen).
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE git_dir OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --symbolic-full-name HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE head_ref OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path ${head_ref}
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE ref_file OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    foreach(watched "${git_dir}/HEAD" "${ref_file}")
      if(NOT IS_ABSOLUTE "${watched}")
        set(watched "${PROJECT_SOURCE_DIR}/${watched}")
      endif()
      if(EXISTS "${watched}")
        set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                     "${watched}")
      endif()
    endforeach()
  endif()
endif()
set(ORV_VERSION_TEXT "${PROJECT_VERSION}+${ORV_COMMIT}")

set(generated_dir ${CMAKE_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/cmake/OrvVersion.h.in ${generated_dir}/OrvVersion.h @ONLY)
add_library(orv_version INTERFACE)
target_include_directories(orv_version INTERFACE ${generated_dir})
