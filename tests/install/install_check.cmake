# Installs the build with `cmake --install --prefix` into a scratch directory,
# checks that exactly the programs and their manual pages land there, and
# runs the installed vornpc_map: --version, and one picture that must equal
# the one the program in the build tree draws.
#   cmake -DBUILD_DIR=... -DCONFIG=... -DWORK_DIR=... -DVERSION=... -DPROGRAMS=a,b,...
#         -DSAMPLE=<vorn_sample> -P install_check.cmake
cmake_minimum_required(VERSION 3.20)
string(REPLACE "," ";" PROGRAMS "${PROGRAMS}")
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# The install writes BUILD_DIR/install_manifest.txt; keep the one of a real
# install, which tells how to uninstall it.
set(manifest ${BUILD_DIR}/install_manifest.txt)
if(EXISTS ${manifest})
  file(COPY_FILE ${manifest} ${WORK_DIR}/install_manifest.txt)
endif()
set(config_args)
if(CONFIG)
  set(config_args --config ${CONFIG})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} ${config_args}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(EXISTS ${WORK_DIR}/install_manifest.txt)
  file(COPY_FILE ${WORK_DIR}/install_manifest.txt ${manifest})
else()
  file(REMOVE ${manifest})
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${status}):\n${output}")
endif()

# Exactly the programs and one manual page per program, nothing else.
set(expected)
foreach(program IN LISTS PROGRAMS)
  list(APPEND expected bin/${program} share/man/man1/${program}.1)
endforeach()
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${prefix} ${prefix}/*)
list(SORT expected)
list(SORT installed)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed:\n  ${installed}\nexpected:\n  ${expected}")
endif()
foreach(program IN LISTS PROGRAMS)
  set(page ${prefix}/share/man/man1/${program}.1)
  file(READ ${page} text LIMIT 4096)  # a link must lead to a page
  if(NOT text MATCHES "\\.Nm ${program}")
    message(FATAL_ERROR "${page} does not name ${program}")
  endif()
endforeach()

set(tool ${prefix}/bin/vornpc_map)
execute_process(COMMAND ${tool} --version RESULT_VARIABLE status OUTPUT_VARIABLE output)
if(NOT status EQUAL 0 OR NOT output STREQUAL "vornpc_map ${VERSION}\n")
  message(FATAL_ERROR "installed vornpc_map --version: status ${status}, output '${output}'")
endif()

execute_process(COMMAND ${SAMPLE} pc ${WORK_DIR}/data RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "vorn_sample failed (${status})")
endif()
foreach(run installed built)
  if(run STREQUAL built)
    set(tool ${BUILD_DIR}/bin/vornpc_map)
    if(CONFIG AND NOT EXISTS ${tool})
      set(tool ${BUILD_DIR}/bin/${CONFIG}/vornpc_map)
    endif()
  endif()
  execute_process(COMMAND ${tool} -g -b -o ${WORK_DIR}/${run}.bmp ${WORK_DIR}/data
                  RESULT_VARIABLE status OUTPUT_VARIABLE output)
  if(NOT status EQUAL 0 OR NOT output STREQUAL "")
    message(FATAL_ERROR "${run} vornpc_map: status ${status}, output '${output}'")
  endif()
endforeach()
# 118 bytes of headers and palette, then 4,096 rows of 2,048 bytes.
file(SIZE ${WORK_DIR}/installed.bmp size)
if(NOT size EQUAL 8388726)
  message(FATAL_ERROR "the installed program wrote ${size} bytes, not 8,388,726")
endif()
file(SHA256 ${WORK_DIR}/installed.bmp installed_hash)
file(SHA256 ${WORK_DIR}/built.bmp built_hash)
if(NOT installed_hash STREQUAL built_hash)
  message(FATAL_ERROR "the installed and the built vornpc_map draw different pictures")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "installed ${installed}")
