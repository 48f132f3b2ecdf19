# Installation and the Debian package (scripts/package runs CPack on it).
#
# /usr/bin            correlator, corrtool
# /usr/share/correlator/lang, scenarios   sample language packs and worlds,
#                     which the program finds beside its own folder
# /usr/share/man/man1, applications, icons, doc/correlator   the usual places
# /lib/systemd/system correlator.service (not enabled) and its upgrade unit
# /usr/libexec/correlator/upgrade-hook   run for EXIT TO UPGRADE

include(GNUInstallDirs)

set(CORRELATOR_MAINTAINER "Correlator developers <correlator@example.org>"
    CACHE STRING "The package's maintainer, as Debian writes it")
set(pkg ${PROJECT_SOURCE_DIR}/packaging)
set(pkgout ${PROJECT_BINARY_DIR}/packaging)

if(TARGET correlator)
  install(TARGETS correlator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${pkg}/correlator.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${pkg}/correlator.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${pkg}/correlator.service ${pkg}/correlator-upgrade.service DESTINATION /lib/systemd/system)
  install(PROGRAMS ${pkg}/upgrade-hook DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/correlator)
endif()
install(TARGETS corrtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/lang/ DESTINATION ${CMAKE_INSTALL_DATADIR}/correlator/lang
        FILES_MATCHING PATTERN "*.txt")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/scenarios/ DESTINATION ${CMAKE_INSTALL_DATADIR}/correlator/scenarios
        FILES_MATCHING PATTERN "*.txt")
install(FILES ${pkg}/copyright ${PROJECT_SOURCE_DIR}/docs/deploy.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Man pages and the changelog go in compressed, as Debian wants them
# (gzip -n: no name or time stamp, so that a build repeats byte for byte).
configure_file(${pkg}/changelog.in ${pkgout}/changelog @ONLY)
set(compressed)
foreach(src ${pkg}/correlator.1 ${pkg}/corrtool.1 ${pkgout}/changelog)
  get_filename_component(name ${src} NAME)
  add_custom_command(OUTPUT ${pkgout}/${name}.gz
                     COMMAND gzip -9n -c ${src} > ${pkgout}/${name}.gz
                     DEPENDS ${src} VERBATIM)
  list(APPEND compressed ${pkgout}/${name}.gz)
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${compressed})
install(FILES ${pkgout}/corrtool.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET correlator)
  install(FILES ${pkgout}/correlator.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${pkgout}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_NAME correlator)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${CORRELATOR_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "leak-noise correlator for water pipes")
set(CPACK_PACKAGE_DESCRIPTION
    "The program of a hand-held leak-noise correlator's base unit: two sensor
stations on a buried water pipe send its noise to the unit, which band-pass
filters both channels, cross-correlates them continuously and turns the delay
of the correlation peak into the leak's distance from each station. It runs
in a window, full screen on a panel (linuxfb, eglfs) or on a VNC viewer, with
a virtual unit or real sensors through an audio interface. corrtool inspects,
checks and replays the unit's files on the command line.")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Fonts the screens name (the substitutes for Arial and SimSun), found only at
# run time; the display plugins for a panel and a VNC viewer.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins, libqt6opengl6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
