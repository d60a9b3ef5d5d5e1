# ORV_SANITIZE: sanitizers for every target of the build (the asan, tsan and fuzz presets).
include_guard(GLOBAL)

set(ORV_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined or thread")

if(ORV_SANITIZE)
  set(orv_sanitize_flags -fsanitize=${ORV_SANITIZE} -fno-omit-frame-pointer
      -fno-sanitize-recover=all)
  if(ORV_SANITIZE MATCHES "undefined")
    list(APPEND orv_sanitize_flags -fsanitize=float-cast-overflow)
  endif()
  add_compile_options(${orv_sanitize_flags})
  add_link_options(${orv_sanitize_flags})
endif()
