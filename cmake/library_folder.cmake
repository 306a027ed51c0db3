# The library folder holds what a user installs, so that it opens the same way
# from the build and from the user's externals folder: besides the plug-ins and
# help patches, the licence, a short README, the meta file and the examples.
# Then the install rules, and the deken package made from the installed folder.

# The version is kept in vesh/version.hpp; the meta file and the package name
# read it from there.
file(STRINGS ${PROJECT_SOURCE_DIR}/vesh/version.hpp version_line REGEX "version_text = \"")
string(REGEX REPLACE ".*version_text = \"([^\"]*)\".*" "\\1" VESH_VERSION "${version_line}")
if(NOT VESH_VERSION MATCHES "^[0-9]")
  message(FATAL_ERROR "no version_text in vesh/version.hpp")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/vesh/version.hpp)

configure_file(LICENSE ${VESH_LIBRARY_DIR}/LICENSE.txt COPYONLY)
configure_file(package/README.txt ${VESH_LIBRARY_DIR}/README.txt COPYONLY)
configure_file(package/vesh-meta.pd.in ${VESH_LIBRARY_DIR}/vesh-meta.pd @ONLY)
file(GLOB_RECURSE VESH_EXAMPLES CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}
     ${PROJECT_SOURCE_DIR}/examples/*)
foreach(file ${VESH_EXAMPLES})
  configure_file(${file} ${VESH_LIBRARY_DIR}/${file} COPYONLY)
endforeach()

# `cmake --install build` puts vesh/ where Pd looks without being told:
# ~/.local/lib/pd/extra. --prefix moves it with the prefix; VESH_INSTALL_DIR
# names another externals folder.
# CMake's own default prefix is replaced, also in a build folder configured
# before the install rules existed (it has a cache, but no VESH_INSTALL_DIR).
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT
   OR (NOT DEFINED CACHE{VESH_INSTALL_DIR} AND EXISTS ${CMAKE_BINARY_DIR}/CMakeCache.txt
       AND CMAKE_INSTALL_PREFIX STREQUAL "/usr/local"))
  set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local" CACHE PATH "Install prefix" FORCE)
endif()
set(VESH_INSTALL_DIR lib/pd/extra CACHE STRING
    "Externals folder that receives vesh/: relative to CMAKE_INSTALL_PREFIX, or absolute")
set(destination ${VESH_INSTALL_DIR}/vesh)
set(VESH_PLUGIN_TARGETS "")
foreach(source ${VESH_CLASS_SOURCES})
  get_filename_component(class "${source}" NAME_WLE)
  vesh_plugin_target("${class}" target)
  list(APPEND VESH_PLUGIN_TARGETS ${target})
endforeach()
# `--target library`: the plain plug-ins alone, without sanitizer copies or
# test tools.
add_custom_target(library)
add_dependencies(library ${VESH_PLUGIN_TARGETS})
install(TARGETS ${VESH_PLUGIN_TARGETS} LIBRARY DESTINATION ${destination})
install(FILES ${VESH_HELP_PATCHES} ${VESH_LIBRARY_DIR}/LICENSE.txt ${VESH_LIBRARY_DIR}/README.txt
              ${VESH_LIBRARY_DIR}/vesh-meta.pd DESTINATION ${destination})
install(DIRECTORY examples DESTINATION ${destination})

# `cmake --build build --target deken`: the installed folder as a deken
# package in build/deken/, named after the version and the platforms it
# carries ("vesh[v1.0-0](Linux-amd64-32).dek"). The plug-ins of every cross
# build in build/cross/ (see scripts/setup.sh) go into the same folder, each
# platform under its own extension, and their platforms into the name.
if(IS_ABSOLUTE "${VESH_INSTALL_DIR}")
  set(installed ${destination})
else()
  set(installed ${CMAKE_INSTALL_PREFIX}/${destination})
endif()
add_custom_target(deken
  COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DINSTALLED=${installed} -DOUT=${CMAKE_BINARY_DIR}/deken -DVERSION=${VESH_VERSION}
          -DPLATFORM=${VESH_DEKEN_PLATFORM} -DSUFFIX=${VESH_PLUGIN_SUFFIX}
          -P ${PROJECT_SOURCE_DIR}/cmake/deken.cmake
  VERBATIM)
add_dependencies(deken library)
