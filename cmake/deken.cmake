# Packs the installed library folder for deken; run by the "deken" target.
# Writes into OUT:
#   PACKAGE.dek         a zip whose one top folder is vesh/
#   PACKAGE.dek.sha256  its SHA-256 in hex
#   PACKAGE.dek.txt     the objects file: one line per class, its name, a tab
#                       and what it does, which is the first sentence of the
#                       comment that opens the class's source ("name: ...").
set(stage ${OUT}/stage)
file(REMOVE_RECURSE ${stage})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${stage} ${CMAKE_COMMAND} --install
                        ${BUILD_DIR}
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
set(folder ${stage}${INSTALLED})
get_filename_component(parent ${folder} DIRECTORY)

set(dek "${OUT}/${PACKAGE}.dek")
file(REMOVE "${dek}" "${dek}.sha256" "${dek}.txt")
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${dek}" --format=zip vesh
                WORKING_DIRECTORY ${parent} COMMAND_ERROR_IS_FATAL ANY)
file(SHA256 "${dek}" hash)
file(WRITE "${dek}.sha256" "${hash}")

string(ASCII 1 ellipsis)
file(GLOB plugins RELATIVE ${folder} ${folder}/*.pd_linux)
set(objects "")
foreach(plugin ${plugins})
  string(REGEX REPLACE "\\.pd_linux$" "" class "${plugin}")
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
