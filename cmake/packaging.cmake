# Installing on a Linux desktop: the program, its menu entry and its icon in the hicolor
# theme; and a Debian package of the same.
include(GNUInstallDirs)

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

install(TARGETS krn-sayisal RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/krn-sayisal.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KRN_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME krn-sayisal.svg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME krn-sayisal)
set(CPACK_PACKAGE_VENDOR "KRN")
set(CPACK_PACKAGE_CONTACT "KRN Dernovak <krn@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Sayısal Loto 6/49 kuponu doldur, sakla ve sına")
set(CPACK_PACKAGE_DESCRIPTION
    "Fill a Sayısal Loto 6/49 coupon of eight columns with a drawing machine or by hand, keep up to five coupons and test one against a real or a random draw. All text is in Turkish.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not found by the library scan: the fonts the window is drawn in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
