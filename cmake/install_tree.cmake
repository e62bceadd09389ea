# Installs the build as the Debian package lays it out, under /usr in the folder TREE, and
# checks that the menu entry starts the installed program, which no validator looks at.
#   cmake -D BUILD=<build folder> -D TREE=<scratch folder> -D ENTRY=<desktop id> -P install_tree.cmake
file(REMOVE_RECURSE "${TREE}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${TREE}"
                        "${CMAKE_COMMAND}" --install "${BUILD}" --prefix /usr
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

set(entry "${TREE}/usr/share/applications/${ENTRY}.desktop")
file(STRINGS "${entry}" exec REGEX "^Exec=")
if(NOT exec MATCHES "^Exec=(/[^ ]+)$")
  message(FATAL_ERROR "${entry}: the program is not named by one full path: ${exec}")
endif()
set(program "${TREE}${CMAKE_MATCH_1}")
if(NOT EXISTS "${program}" OR IS_DIRECTORY "${program}")
  message(FATAL_ERROR "${entry}: ${exec}, but no program was installed there")
endif()
execute_process(COMMAND test -x "${program}" RESULT_VARIABLE not_executable)
if(not_executable)
  message(FATAL_ERROR "${entry}: ${CMAKE_MATCH_1} is not executable")
endif()
