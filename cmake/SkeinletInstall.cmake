# Installs the two libraries and the public headers, and exports them as
# skeinlet::skeinlet (shared) and skeinlet::static.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS skeinlet_shared skeinlet_static
  EXPORT skeinletTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(DIRECTORY "${PROJECT_SOURCE_DIR}/include/skeinlet"
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.hpp" PATTERN "*.h")
install(FILES "${PROJECT_BINARY_DIR}/include/skeinlet/version.h"
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/skeinlet)

# pkg-config: skeinlet (shared); --static adds what the archive needs.
file(RELATIVE_PATH SKEINLET_PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
configure_file("${CMAKE_CURRENT_LIST_DIR}/skeinlet.pc.in"
  "${PROJECT_BINARY_DIR}/skeinlet.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/skeinlet.pc"
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET skeinlet)
  install(TARGETS skeinlet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(_skeinlet_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/skeinlet)
install(EXPORT skeinletTargets
  NAMESPACE skeinlet::
  DESTINATION ${_skeinlet_cmake_dir})

configure_package_config_file(
  "${CMAKE_CURRENT_LIST_DIR}/skeinletConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/skeinletConfig.cmake"
  INSTALL_DESTINATION ${_skeinlet_cmake_dir})
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/skeinletConfigVersion.cmake"
  COMPATIBILITY SameMinorVersion)
install(FILES
  "${PROJECT_BINARY_DIR}/skeinletConfig.cmake"
  "${PROJECT_BINARY_DIR}/skeinletConfigVersion.cmake"
  DESTINATION ${_skeinlet_cmake_dir})
