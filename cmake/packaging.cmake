# Installing on a Linux desktop: the program, its menu entry, its icon in the hicolor
# theme, its manual pages, its AppStream metadata, its licence and changelog; and a Debian
# package of the same.
include(GNUInstallDirs)

# Debian's section for the program is "games", and the programs of that section live in
# games/ under the prefix.
set(KRN_INSTALL_PROGRAMDIR games CACHE STRING
    "Folder of the installed program: relative to the install prefix, or absolute")
set(KRN_MAINTAINER "KRN Sayısal developers <krn-sayisal@krn-sayisal.invalid>" CACHE STRING
    "Maintainer of the Debian package, as 'Name <address>'")

# The desktop entry's id, which also names the AppStream component. The program gives it to
# the desktop, which matches its windows to the entry by it where WM_CLASS is not used.
set(KRN_APP_ID tr.krn.sayisal)
target_compile_definitions(krn-sayisal PRIVATE KRN_DESKTOP_ID="${KRN_APP_ID}")

# A release is described in three places; they must name the same version.
file(STRINGS packaging/changelog KRN_CHANGELOG_TOP LIMIT_COUNT 1)
file(READ packaging/krn-sayisal.metainfo.xml.in KRN_METAINFO_IN)
string(REGEX MATCH "<release version=\"([^\"]*)\"" _ "${KRN_METAINFO_IN}")
set(KRN_METAINFO_VERSION "${CMAKE_MATCH_1}")
if(NOT KRN_CHANGELOG_TOP MATCHES "^krn-sayisal \\(${PROJECT_VERSION}\\) "
   OR NOT KRN_METAINFO_VERSION STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "Version ${PROJECT_VERSION} needs the newest entry of packaging/changelog "
                      "and the newest release of packaging/krn-sayisal.metainfo.xml.in")
endif()

add_executable(render_icon tools/render_icon.cpp)
target_link_libraries(render_icon PRIVATE Qt6::Gui Qt6::Svg)

set(KRN_ICON_SVG ${CMAKE_SOURCE_DIR}/assets/app-icon.svg)
set(KRN_ICON_SIZES 16 22 24 32 48 64 128 256)
set(KRN_ICON_PNGS)
foreach(size IN LISTS KRN_ICON_SIZES)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}/krn-sayisal.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
    COMMAND render_icon ${KRN_ICON_SVG} ${size} ${png}
    DEPENDS render_icon ${KRN_ICON_SVG}
    VERBATIM)
  list(APPEND KRN_ICON_PNGS ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(icons ALL DEPENDS ${KRN_ICON_PNGS})

# Manual pages and the changelog are installed compressed at gzip's best, without a time
# stamp, as Debian has them.
find_program(GZIP gzip REQUIRED)
set(KRN_GZIPPED)
foreach(file man/krn-sayisal.6 man/tr/krn-sayisal.6 packaging/changelog)
  set(copy ${CMAKE_BINARY_DIR}/${file})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/${file} ${copy}
    COMMAND ${GZIP} -9 -n -f ${copy}
    DEPENDS ${file}
    VERBATIM)
  list(APPEND KRN_GZIPPED ${copy}.gz)
endforeach()
add_custom_target(gzipped_docs ALL DEPENDS ${KRN_GZIPPED})

# AppStream 1.0 names the developer in <developer id="...">, and calls the older
# <developer_name> deprecated; AppStream 0.16, Debian 12's, knows only <developer_name>. The
# metadata takes the form that the AppStream of the system it is built on reads, which is the
# system its package is for.
set(KRN_DEVELOPER_NAME "KRN Sayısal developers")
set(KRN_DEVELOPER "<developer id=\"tr.krn\">\n    <name>${KRN_DEVELOPER_NAME}</name>\n  </developer>")
find_program(KRN_APPSTREAMCLI appstreamcli)
if(KRN_APPSTREAMCLI)
  execute_process(COMMAND ${KRN_APPSTREAMCLI} --version
                  OUTPUT_VARIABLE KRN_APPSTREAM_VERSION ERROR_QUIET)
  string(REGEX MATCH "[0-9]+\\.[0-9]+(\\.[0-9]+)?" KRN_APPSTREAM_VERSION
         "${KRN_APPSTREAM_VERSION}")
  if(KRN_APPSTREAM_VERSION AND KRN_APPSTREAM_VERSION VERSION_LESS 1.0)
    set(KRN_DEVELOPER "<developer_name>${KRN_DEVELOPER_NAME}</developer_name>")
  endif()
endif()
# The project has no web site of its own yet. Until it has, the homepage is a name under the
# reserved .invalid domain, like the maintainer's address: it can never lead a player to a
# stranger's site. Give the real one when there is one.
set(KRN_HOMEPAGE "https://krn-sayisal.invalid/" CACHE STRING
    "Home page of the program, as the software centres show it")
configure_file(packaging/krn-sayisal.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/${KRN_APP_ID}.metainfo.xml @ONLY)

install(TARGETS krn-sayisal RUNTIME DESTINATION ${KRN_INSTALL_PROGRAMDIR})
install(FILES ${KRN_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME krn-sayisal.svg)
install(FILES ${CMAKE_BINARY_DIR}/${KRN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/man/krn-sayisal.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_BINARY_DIR}/man/tr/krn-sayisal.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/tr/man6)
install(FILES packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The menu entry names the program by its full path, since games/ is not on everyone's
# PATH. The path is known only when installing: `cmake --install --prefix` may choose
# another prefix than the one configured, and the Debian package installs under /usr.
install(CODE "
  set(KRN_INSTALL_PROGRAMDIR [[${KRN_INSTALL_PROGRAMDIR}]])
  cmake_path(ABSOLUTE_PATH KRN_INSTALL_PROGRAMDIR BASE_DIRECTORY \"\${CMAKE_INSTALL_PREFIX}\"
             NORMALIZE OUTPUT_VARIABLE KRN_PROGRAM)
  string(APPEND KRN_PROGRAM /krn-sayisal)
  configure_file([[${CMAKE_SOURCE_DIR}/packaging/krn-sayisal.desktop.in]]
                 [[${CMAKE_BINARY_DIR}/installed/${KRN_APP_ID}.desktop]] @ONLY)
  file(INSTALL [[${CMAKE_BINARY_DIR}/installed/${KRN_APP_ID}.desktop]]
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME krn-sayisal)
set(CPACK_PACKAGE_VENDOR "KRN Sayısal developers")
set(CPACK_PACKAGE_CONTACT "${KRN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fill, keep and test Sayısal Loto 6/49 coupons")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not found by the library scan: the fonts the window is drawn in, Qt's own Turkish texts
# for its dialogs, and the very Qt it was built with, whose private platform interface
# hands out the Wayland window. Debian names that Qt by a virtual package of its core
# library, and the name changed between releases (qt6-base-abi on Qt 6.4,
# qt6-base-private-abi on Qt 6.8), so it is read from the library that is installed.
execute_process(
  COMMAND dpkg-query -W -f=\${Provides}\n libqt6core6t64 libqt6core6
  OUTPUT_VARIABLE KRN_QT_PROVIDES ERROR_QUIET)
string(REGEX MATCH "qt6-base(-private)?-abi \\(= [^)]+\\)" KRN_QT_ABI "${KRN_QT_PROVIDES}")
if(NOT KRN_QT_ABI)
  set(KRN_QT_ABI "qt6-base-abi (= ${Qt6Gui_VERSION})")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, qt6-translations-l10n, ${KRN_QT_ABI}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/package_tree.cmake)
set(CPACK_KRN_STRIP ${CMAKE_STRIP})
set(CPACK_KRN_PROGRAMDIR ${KRN_INSTALL_PROGRAMDIR})
set(CPACK_KRN_SOURCE_DIR ${CMAKE_SOURCE_DIR})
include(CPack)
