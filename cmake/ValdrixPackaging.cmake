# Installation of the three programs and what the desktop needs around them, and the
# Debian package built from it: `cpack -G DEB` in a build tree (its dependencies are
# computed from the programs by dpkg-shlibdeps).
include(GNUInstallDirs)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/valdrix-tester)
set(programs valdrix-tester valdrix-cli valdrix-sim)

install(TARGETS ${programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging}/valdrix-tester.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/valdrix-tester.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging}/valdrix-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME valdrix-cli)
# Not active by itself: the administrator copies it to /etc/udev/rules.d when wanted.
install(FILES ${packaging}/60-valdrix-ftdi.rules DESTINATION ${CMAKE_INSTALL_DATADIR}/valdrix-tester)
install(FILES ${packaging}/copyright DESTINATION ${docdir})
# What software centres list: AppStream metadata, named after its component id.
set(METAINFO_ID cz.valdrix.tester)
set(metainfo ${PROJECT_BINARY_DIR}/packaging/${METAINFO_ID}.metainfo.xml)
configure_file(${packaging}/valdrix-tester.metainfo.xml.in ${metainfo} @ONLY)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The Wireshark dissector of the traffic captures, in the folder where Debian's Wireshark
# loads Lua plugins from (tshark -G folders: "Global Lua Plugins").
install(FILES ${packaging}/tarvel97.lua DESTINATION lib/${CMAKE_LIBRARY_ARCHITECTURE}/wireshark/plugins)

# Debian wants documentation compressed with gzip -9n (no name, no time stamp).
find_program(GZIP_PROGRAM gzip REQUIRED)
configure_file(${packaging}/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
set(compressed ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${compressed}
  COMMAND ${GZIP_PROGRAM} -9n -c ${PROJECT_BINARY_DIR}/packaging/changelog > ${compressed}
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog VERBATIM)

# Manual pages from each program's --help and --version, when help2man is there.
find_program(HELP2MAN_PROGRAM help2man)
if(HELP2MAN_PROGRAM)
  set(valdrix-tester_summary "test and calibration tool for the Valdrix I/O module")
  set(valdrix-cli_summary "command-line client of the Valdrix I/O module")
  set(valdrix-sim_summary "simulated Valdrix I/O module")
  foreach(program ${programs})
    set(page ${PROJECT_BINARY_DIR}/packaging/${program}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${HELP2MAN_PROGRAM} --no-info --section=1 --name=${${program}_summary}
              --output=${PROJECT_BINARY_DIR}/packaging/${program}.1 $<TARGET_FILE:${program}>
      COMMAND ${GZIP_PROGRAM} -9nf ${PROJECT_BINARY_DIR}/packaging/${program}.1
      DEPENDS ${program} VERBATIM)
    list(APPEND compressed ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endif()
add_custom_target(package_files ALL DEPENDS ${compressed})
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME valdrix-tester)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Valdrix <podpora@valdrix.cz>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test and calibration tool for the Valdrix I/O module")
# The long description under the summary; cpack indents its lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Valdrix Tester connects to one Valdrix I/O module over a serial port, a USB
converter or a TCP gateway, shows its inputs live, switches its outputs,
calibrates its analog channels, sets its clock and tests its RS-485 port.

The package holds the desktop program (valdrix-tester), a command-line client
for scripts and production lines (valdrix-cli) and a module simulator
(valdrix-sim).")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see it: the window icon is an SVG picture.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ser2net, wireshark | tshark")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
