# The library, built once as objects and packaged two ways:
#
#   skeinlet_shared   libskeinlet.so, exports only what SKEINLET_API marks
#                     (alias skeinlet::skeinlet, the installed default)
#   skeinlet_static   libskeinlet.a  (alias skeinlet::static)
#   skeinlet_internal the static library plus src/ on the include path, for
#                     the tests, benchmarks, fuzzers and the CLI, which reach
#                     skeinlet::detail (alias skeinlet::internal)
#
# The objects are compiled once with hidden visibility and PIC; hidden
# symbols stay linkable from a static archive, so the same objects serve
# both packages.

file(GLOB_RECURSE SKEINLET_SOURCES CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/src/*.cpp")
file(GLOB_RECURSE SKEINLET_PUBLIC_HEADERS CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/include/skeinlet/*.hpp")

if(NOT SKEINLET_SOURCES)
  message(FATAL_ERROR "No library sources found under ${PROJECT_SOURCE_DIR}/src")
endif()

set(_skeinlet_deps PkgConfig::SKEINLET_TIDY PkgConfig::SKEINLET_STB)

# The version header is generated into the build tree and installed with
# the public headers.
configure_file("${CMAKE_CURRENT_LIST_DIR}/version.h.in"
  "${PROJECT_BINARY_DIR}/include/skeinlet/version.h" @ONLY)
file(GLOB SKEINLET_PUBLIC_C_HEADERS CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/include/skeinlet/*.h")

add_library(skeinlet_objects OBJECT ${SKEINLET_SOURCES} ${SKEINLET_PUBLIC_HEADERS})
set_target_properties(skeinlet_objects PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
target_include_directories(skeinlet_objects
  PUBLIC "${PROJECT_SOURCE_DIR}/include" "${PROJECT_BINARY_DIR}/include"
  PRIVATE "${PROJECT_SOURCE_DIR}/src")
target_link_libraries(skeinlet_objects PRIVATE skeinlet_warnings ${_skeinlet_deps})

# The checking build proves each search the rule engine skips: a find text
# its pair index rules out is searched anyway, and a match aborts. On in the
# sanitizer and fuzz builds.
if(SKEINLET_SANITIZE OR SKEINLET_BUILD_FUZZ)
  set(_skeinlet_check_skips_default ON)
else()
  set(_skeinlet_check_skips_default OFF)
endif()
option(SKEINLET_CHECK_SKIPS "Verify every search the pair index skips"
  ${_skeinlet_check_skips_default})
if(SKEINLET_CHECK_SKIPS)
  target_compile_definitions(skeinlet_objects PRIVATE SKEINLET_CHECK_SKIPS=1)
endif()

function(_skeinlet_package target kind)
  add_library(${target} ${kind} $<TARGET_OBJECTS:skeinlet_objects>)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME skeinlet
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_link_libraries(${target} PRIVATE ${_skeinlet_deps})
endfunction()

include(GNUInstallDirs)

_skeinlet_package(skeinlet_static STATIC)
set_target_properties(skeinlet_static PROPERTIES EXPORT_NAME static)

_skeinlet_package(skeinlet_shared SHARED)
set_target_properties(skeinlet_shared PROPERTIES
  EXPORT_NAME skeinlet
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})

add_library(skeinlet::skeinlet ALIAS skeinlet_shared)
add_library(skeinlet::static ALIAS skeinlet_static)

add_library(skeinlet_internal INTERFACE)
target_link_libraries(skeinlet_internal INTERFACE skeinlet_static ${_skeinlet_deps})
target_include_directories(skeinlet_internal INTERFACE "${PROJECT_SOURCE_DIR}/src")
add_library(skeinlet::internal ALIAS skeinlet_internal)
