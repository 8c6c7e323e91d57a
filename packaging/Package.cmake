# What the program installs besides itself, and the Debian package made of
# it: `cpack -G DEB` in the build folder (scripts/package makes a release
# build and runs it).

set(VS_PACKAGING ${CMAKE_CURRENT_LIST_DIR})

install(FILES Resources/vireoscape.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY Resources/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${VS_PACKAGING}/org.valdo_software.Vireoscape.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${VS_PACKAGING}/vireoscape.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME vireoscape)
install(FILES ${VS_PACKAGING}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vireoscape)

# Manual pages and changelogs go in compressed, without a time stamp or name
# in the gzip header, so that two builds give the same package.
set(VS_GZIPPED)
foreach(file vireoscape.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${file}.gz
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
                     COMMAND gzip -9 -n -c ${VS_PACKAGING}/${file} > ${CMAKE_BINARY_DIR}/packaging/${file}.gz
                     DEPENDS ${VS_PACKAGING}/${file} VERBATIM)
  list(APPEND VS_GZIPPED ${CMAKE_BINARY_DIR}/packaging/${file}.gz)
endforeach()
add_custom_target(vs_gzipped ALL DEPENDS ${VS_GZIPPED})
install(FILES ${CMAKE_BINARY_DIR}/packaging/vireoscape.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vireoscape)

# The bus needs the program's full path, which is known only when installing
# (cpack installs under /usr whatever the build's prefix).
install(CODE "
  set(service \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services/org.valdo_software.Vireoscape.service\")
  set(VIREOSCAPE_EXECUTABLE \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vireoscape\")
  message(STATUS \"Installing: \${service}\")
  configure_file(\"${VS_PACKAGING}/org.valdo_software.Vireoscape.service.in\" \"\${service}\" @ONLY)
  file(CHMOD \"\${service}\" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vireoscape)
set(CPACK_PACKAGE_VENDOR "Valdo Software")
set(CPACK_PACKAGE_CONTACT "Valdo Software <vireoscape@valdo-software.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen capture and annotation tool")
set(CPACK_PACKAGE_DESCRIPTION
    "Vireoscape waits in the notification area. A hot key (Alt+S) freezes the
desktop: the user picks a window or an area, draws lines, arrows, boxes,
ellipses, polygons, free-hand strokes and text on it, and finishes to the
clipboard and/or an automatically named image file. vireoscape -s saves
the whole screen with no window. It works on X11 desktops, and on Wayland
desktops through their portals.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://valdo-software.org/vireoscape)
# The libraries the program links come from dpkg-shlibdeps. Qt loads its
# X11 platform plugin at run time, which no linker dependency tells.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-desktop-portal")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
