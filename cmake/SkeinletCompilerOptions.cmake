# Compiler settings shared by every Skeinlet target.
#
# skeinlet_warnings is linked privately by our own targets only, so that
# third-party headers compiled as part of GoogleTest or Benchmark do not
# decide whether our build is clean.

add_library(skeinlet_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(skeinlet_warnings INTERFACE -Wall -Wextra)
  if(SKEINLET_WERROR)
    target_compile_options(skeinlet_warnings INTERFACE -Werror)
  endif()
endif()

# The sanitizers have to reach every object and every link, including
# GoogleTest's main and the benchmark programs, or ASan reports false
# container overflows across the boundary.
if(SKEINLET_SANITIZE)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    message(FATAL_ERROR "SKEINLET_SANITIZE needs GCC or Clang")
  endif()
  set(_skeinlet_sanitize_flags
    -fsanitize=address,undefined
    -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_compile_options(${_skeinlet_sanitize_flags})
  add_link_options(${_skeinlet_sanitize_flags})
endif()

# The thread sanitizer build, for the tests that convert on many threads.
option(SKEINLET_SANITIZE_THREAD "Build everything with ThreadSanitizer" OFF)
if(SKEINLET_SANITIZE_THREAD)
  if(SKEINLET_SANITIZE)
    message(FATAL_ERROR "ThreadSanitizer and AddressSanitizer cannot be combined")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# The fuzz build: every object instrumented for libFuzzer's coverage and
# checked by ASan and UBSan; only the fuzz targets link the fuzzer's main.
if(SKEINLET_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "SKEINLET_BUILD_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
  endif()
  set(_skeinlet_fuzz_flags
    -fsanitize=fuzzer-no-link,address,undefined
    -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_compile_options(${_skeinlet_fuzz_flags})
  add_link_options(-fsanitize=address,undefined)
endif()
