# Outside libraries, all from Debian packages (scripts/install-deps.sh).

find_package(PkgConfig REQUIRED)

# libtidy backs the XHTML wrapper of the platform layer.
pkg_check_modules(SKEINLET_TIDY REQUIRED IMPORTED_TARGET GLOBAL tidy)

# stb_image / stb_image_write back the picture reader and writer. Debian
# ships the headers in /usr/include/stb and the implementations in libstb.
pkg_check_modules(SKEINLET_STB REQUIRED IMPORTED_TARGET GLOBAL stb)

# iconv is part of glibc; nothing to find.

if(SKEINLET_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

if(SKEINLET_BUILD_BENCH)
  find_package(benchmark QUIET)
endif()
