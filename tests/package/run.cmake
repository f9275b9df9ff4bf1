# Builds the Debian packages with CPack, unpacks them into a scratch root with
# dpkg-deb -x (no root rights needed), builds the consumer project against that tree
# and runs the packaged tools. Any failure fails the test.
# Inputs: BUILD_DIR, CONSUMER_DIR (tests/consumer), GENERATOR.
set(work ${BUILD_DIR}/package-test)
set(root ${work}/root)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${root})

function(step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "step failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

step(cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${work}/debs)
file(GLOB debs ${work}/debs/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 3)
  message(FATAL_ERROR "expected three packages, got: ${debs}")
endif()
foreach(name libyoxclient1_ libyoxclient-dev_ yoxclient-tools_)
  if(NOT debs MATCHES "/${name}[^/;]*\\.deb")
    message(FATAL_ERROR "no ${name}*.deb among ${debs}")
  endif()
endforeach()
foreach(deb ${debs})
  step(dpkg-deb -x ${deb} ${root})
endforeach()

# The runtime package holds the library under its SONAME, the development package the
# link name; nothing of the one is in the other.
file(GLOB runtime ${work}/debs/libyoxclient1_*.deb)
step(dpkg-deb -c ${runtime})
if(NOT out MATCHES "libYOXClient\\.so\\.1" OR out MATCHES "include/" OR out MATCHES "libYOXClient\\.so\n")
  message(FATAL_ERROR "the runtime package holds:\n${out}")
endif()

step(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${work}/consumer -G ${GENERATOR} -DCMAKE_PREFIX_PATH=${root}/usr)
step(${CMAKE_COMMAND} --build ${work}/consumer)
step(${work}/consumer/consumer)

# The packaged tools find the packaged plug-in and examples beside them. yoxhost links
# the plug-in, which a real install puts on the loader's path; here it is the scratch root.
set(env ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${root}/usr/lib)
step(${env} ${root}/usr/bin/yoxhost registry)
if(NOT out MATCHES "${root}/usr/bin/\\.\\./lib[^ ]*/libYOXClient\\.so\\.1")
  message(FATAL_ERROR "yoxhost did not load the packaged plug-in:\n${out}")
endif()
step(${env} ${root}/usr/bin/yoxhost demo)
step(${root}/usr/bin/yoxdata convert --from csv --to json ${root}/usr/share/yoxclient/examples/messages/property.csv)

# The pkg-config file points into the tree it was unpacked to.
find_program(pkg_config pkg-config)
if(pkg_config)
  set(ENV{PKG_CONFIG_PATH} ${root}/usr/lib/pkgconfig)
  step(${pkg_config} --cflags --libs YOXClient)
  if(NOT out MATCHES "-I${root}/usr/[^ ]*include/yox" OR NOT out MATCHES "-lYOXClient")
    message(FATAL_ERROR "pkg-config gives: ${out}")
  endif()
endif()
