# Run by CPack on the package's tree before it is packed. The program is stripped as
# Debian's own packages are (dh_strip): no symbols beyond those needed for linking, and
# not the compiler's .comment and .note sections.
set(tree "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(program "${tree}/${CPACK_KRN_PROGRAMDIR}/krn-sayisal")
if(IS_ABSOLUTE "${CPACK_KRN_PROGRAMDIR}")
  set(program "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_KRN_PROGRAMDIR}/krn-sayisal")
endif()
execute_process(COMMAND "${CPACK_KRN_STRIP}" --remove-section=.comment --remove-section=.note
                        --strip-unneeded "${program}"
                COMMAND_ERROR_IS_FATAL ANY)
file(MAKE_DIRECTORY "${tree}/share/lintian/overrides")
file(COPY_FILE "${CPACK_KRN_SOURCE_DIR}/packaging/lintian-overrides"
     "${tree}/share/lintian/overrides/krn-sayisal")
