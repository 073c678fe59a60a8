# What `cmake --install` puts where, and the Debian package made from it.

if(TARGET calyra-render)
  install(TARGETS calyra-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/man/calyra-render.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET calyra)
  install(TARGETS calyra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/man/calyra.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/calyra.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/calyra-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME calyra.xml)
endif()
if(TARGET app_icons)
  install(DIRECTORY ${ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
endif()

# The data the programs look for in their share folder.
install(FILES ${HEAD_FILE} ${PROJECT_SOURCE_DIR}/resources/Calyra.HLP
  DESTINATION ${CMAKE_INSTALL_DATADIR}/calyra)
if(TARGET example_scan)
  install(FILES ${PROJECT_BINARY_DIR}/scan.raw ${PROJECT_BINARY_DIR}/scan.raw.inf
    DESTINATION ${CMAKE_INSTALL_DATADIR}/calyra)
endif()

# cpack -G DEB in the build folder: calyra_<version>_<arch>.deb.
set(CPACK_PACKAGE_NAME calyra)
set(CPACK_PACKAGE_VENDOR "Calyra developers")
set(CPACK_PACKAGE_CONTACT "Calyra developers <calyra@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive ray-cast volume visualisation")
set(CPACK_PACKAGE_DESCRIPTION
  "Renders three-dimensional image data (MRI, CT, PET, built-in models) by ray casting,
 as surfaces, transparent projections or slices, in a windowed program (calyra)
 and a batch renderer that needs no display (calyra-render).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/calyra")
# What Qt loads at run time, which no shared-library scan can see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins")
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # Without dpkg-shlibdeps, the libraries Debian 12 ships them in.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${CPACK_DEBIAN_PACKAGE_DEPENDS}, libqt6widgets6, libqt6gui6, libqt6core6, libstdc++6, libc6")
endif()
include(CPack)
