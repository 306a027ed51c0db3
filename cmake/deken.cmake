# Packs the installed library folder for deken; run by the "deken" target.
# Writes into OUT:
#   PACKAGE.dek         a zip whose one top folder is vesh/
#   PACKAGE.dek.sha256  its SHA-256 in hex
#   PACKAGE.dek.txt     the objects file: one line per class, its name, a tab
#                       and what it does, which is the first sentence of the
#                       comment that opens the class's source ("name: ...").
# PACKAGE is "vesh[vVERSION](PLATFORM)" with one more "(PLATFORM)" for each
# cross build in BUILD_DIR/cross/ whose plug-ins the package carries too: deken
# offers a package to every platform its name lists, and each host picks its
# own plug-ins from the folder by their extension.
set(stage ${OUT}/stage)
file(REMOVE_RECURSE ${stage})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${stage} ${CMAKE_COMMAND} --install
                        ${BUILD_DIR}
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
set(folder ${stage}${INSTALLED})
get_filename_component(parent ${folder} DIRECTORY)

file(GLOB plugins RELATIVE ${folder} ${folder}/*${SUFFIX})
list(TRANSFORM plugins REPLACE "\\${SUFFIX}$" "")
set(name "vesh[v${VERSION}](${PLATFORM})")

file(GLOB caches ${BUILD_DIR}/cross/*/CMakeCache.txt)
list(SORT caches)
foreach(cache ${caches})
  get_filename_component(cross ${cache} DIRECTORY)
  file(STRINGS ${cache} cross_suffix REGEX "^VESH_PLUGIN_SUFFIX:")
  file(STRINGS ${cache} cross_platform REGEX "^VESH_DEKEN_PLATFORM:")
  string(REGEX REPLACE "^[^=]*=" "" cross_suffix "${cross_suffix}")
  string(REGEX REPLACE "^[^=]*=" "" cross_platform "${cross_platform}")
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${cross} --target library
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB cross_plugins RELATIVE ${cross}/vesh ${cross}/vesh/*${cross_suffix})
  list(TRANSFORM cross_plugins REPLACE "\\${cross_suffix}$" "")
  if(NOT cross_plugins STREQUAL plugins)
    message(FATAL_ERROR "${cross}: not the same classes as ${BUILD_DIR}")
  endif()
  foreach(class ${plugins})
    file(COPY ${cross}/vesh/${class}${cross_suffix} DESTINATION ${folder})
  endforeach()
  string(APPEND name "(${cross_platform})")
endforeach()

file(GLOB old ${OUT}/vesh*.dek*)
if(old)
  file(REMOVE ${old})
endif()
set(dek "${OUT}/${name}.dek")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${dek}" --format=zip vesh
                WORKING_DIRECTORY ${parent} COMMAND_ERROR_IS_FATAL ANY)
file(SHA256 "${dek}" hash)
file(WRITE "${dek}.sha256" "${hash}")

string(ASCII 1 ellipsis)
set(objects "")
foreach(class ${plugins})
  file(GLOB source ${SOURCE_DIR}/classes/*/${class}.cpp ${SOURCE_DIR}/vesh/${class}.cpp)
  set(what "")
  if(source)
    file(READ "${source}" head LIMIT 4000)
    string(REGEX MATCH "^// [^\n]*(\n//[^\n]*)*" comment "${head}")
    string(REGEX REPLACE "\n// ?" " " comment "${comment}")
    string(REPLACE "// ${class}: " "" what "${comment}")
    if(what STREQUAL comment)
      set(what "")
    endif()
    # The first sentence, up to its first ". " or "; "; an ellipsis stays.
    string(REPLACE "..." "${ellipsis}" what "${what}")
    string(REGEX REPLACE "[.;] .*$" "" what "${what}")
    string(REGEX REPLACE "[.;]$" "" what "${what}")
    string(REPLACE "${ellipsis}" "..." what "${what}")
  endif()
  if(what STREQUAL "")
    message(FATAL_ERROR "${class}: its source must open with \"// ${class}: what it does.\"")
  endif()
  string(APPEND objects "${class}\t${what}\n")
endforeach()
file(WRITE "${dek}.txt" "${objects}")
file(REMOVE_RECURSE ${stage})
message(STATUS "deken package: ${dek}")
