# cmake -DBUILD_DIR=<build> -DPREFIX=<scratch prefix> -P install_check.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT installed)
set(expected "bin/quarlo;share/doc/quarlo/README.md;share/doc/quarlo/examples/keyword.dat;share/doc/quarlo/examples/network.dat;share/doc/quarlo/examples/stations.dat;share/doc/quarlo/examples/template.dat;share/doc/quarlo/outputs.md;share/doc/quarlo/results.example.json;share/doc/quarlo/results.schema.json;share/man/man1/quarlo.1")
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed: '${installed}', expected: '${expected}'")
endif()

execute_process(COMMAND ${PREFIX}/bin/quarlo --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^quarlo [0-9]")
  message(FATAL_ERROR "installed program: status ${rc}, --version said '${out}'")
endif()
file(REMOVE_RECURSE ${PREFIX})
