# Debian packages built by CPack from the install rules (`make package`):
#   libyoxclient1     the plug-in library (component runtime)
#   libyoxclient-dev  headers, CMake package and pkg-config file (component development)
#   yoxclient-tools   yoxhost and yoxdata with the example scenarios (component tools)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME yoxclient)
set(CPACK_PACKAGE_VENDOR "libYOXClient developers")
set(CPACK_PACKAGE_CONTACT "libYOXClient developers <yoxclient@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)

set(yox_soname_package libyoxclient${PROJECT_VERSION_MAJOR})
set(yox_exact_version "${PROJECT_VERSION}")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${yox_soname_package})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "libYOXClient SCADA host-driver plug-in (shared library)")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libyoxclient-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${yox_soname_package} (= ${yox_exact_version})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "libYOXClient development files: headers, CMake package (find_package(YOXClient)) and pkg-config file")
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME yoxclient-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${yox_soname_package} (= ${yox_exact_version})")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
    "libYOXClient tools: yoxhost plays scenarios against the plug-in, yoxdata inspects and converts messages")

# Library dependencies (libstdc++, yaml-cpp ...) come from dpkg-shlibdeps where it is
# installed (package dpkg-dev).
find_program(YOX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(YOX_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # yoxhost links the plug-in of the runtime package, which is not installed yet.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src)
endif()

include(CPack)

# The packages install and build the consumer project (tests/package/run.cmake).
find_program(YOX_DPKG_DEB dpkg-deb)
if(BUILD_TESTING AND YOX_DPKG_DEB AND YOX_BUILD_TOOLS AND NOT YOX_SANITIZE)
  add_test(NAME packages_install_and_build_the_consumer
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DCONSUMER_DIR=${PROJECT_SOURCE_DIR}/tests/consumer
            -DGENERATOR=${CMAKE_GENERATOR} -P ${PROJECT_SOURCE_DIR}/tests/package/run.cmake)
  set_tests_properties(packages_install_and_build_the_consumer PROPERTIES TIMEOUT 600)
endif()
