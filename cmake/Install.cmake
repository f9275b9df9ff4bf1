# Installs the plug-in, its public headers under include/yox/, a CMake package
# config (find_package(YOXClient) -> yox::YOXClient) and a pkg-config file.
include(CMakePackageConfigHelpers)
# Packages (cmake/Package.cmake): the library goes to "runtime", the rest to "development".
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME development)

install(TARGETS YOXClient EXPORT YOXClientTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/yox)
# Public headers only, chosen by folder: private headers live in detail/ folders (and
# the data library's impl/ and serialization/), the plug-in's own unit in library/.
foreach(area base values filters hostapi registry tcm apm plugin data)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/${area}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/yox/${area}
    FILES_MATCHING PATTERN "*.h"
    PATTERN "detail" EXCLUDE PATTERN "library" EXCLUDE PATTERN "impl" EXCLUDE PATTERN "serialization" EXCLUDE)
endforeach()
install(EXPORT YOXClientTargets NAMESPACE yox:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/YOXClient)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/YOXClientConfig.cmake.in
  ${PROJECT_BINARY_DIR}/YOXClientConfig.cmake INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/YOXClient)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/YOXClientConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/YOXClientConfig.cmake ${PROJECT_BINARY_DIR}/YOXClientConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/YOXClient)
# The pkg-config file finds the prefix from its own folder, so that the same file
# serves an install under any prefix and the Debian package under /usr.
file(RELATIVE_PATH YOX_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" YOX_PC_TO_PREFIX "${YOX_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/YOXClient.pc.in ${PROJECT_BINARY_DIR}/YOXClient.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/YOXClient.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
