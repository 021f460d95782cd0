# What `cmake --install` puts where, and the Debian package of the same
# layout (`make package`: CPack's DEB generator, dependencies computed by
# dpkg-shlibdeps). Prefix /usr gives:
#   bin/lumetra, bin/lumetra-till, bin/lumetra-virtual-printer
#   lib/lumetra/liblumetra-renderer.so      (found from bin/../lib/lumetra)
#   libexec/lumetra/lumetra-kiosk-session
#   share/lumetra/{dev,demo,autostart,openbox}, share/xsessions, share/applications,
#   share/icons, share/doc/lumetra, lib/sysctl.d/10-lumetra-neighbours.conf,
#   and /etc/lumetra/lumetra.conf
include(GNUInstallDirs)

set(LUMETRA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(LUMETRA_GENERATED_DIR ${PROJECT_BINARY_DIR}/packaging)
set(LUMETRA_DATA_DIR ${CMAKE_INSTALL_DATADIR}/lumetra)
set(LUMETRA_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/lumetra)
set(LUMETRA_SESSION_DIR ${CMAKE_INSTALL_LIBEXECDIR}/lumetra)
set(LUMETRA_SESSION_PROGRAM ${CMAKE_INSTALL_PREFIX}/${LUMETRA_SESSION_DIR}/lumetra-kiosk-session)
# The scripts find their neighbours relative to themselves, so an install
# into a scratch root works as well as one into /usr.
file(RELATIVE_PATH LUMETRA_BIN_TO_DATA /${CMAKE_INSTALL_BINDIR} /${LUMETRA_DATA_DIR})
file(RELATIVE_PATH LUMETRA_LIBEXEC_TO_BIN /${LUMETRA_SESSION_DIR} /${CMAKE_INSTALL_BINDIR})
file(RELATIVE_PATH LUMETRA_LIBEXEC_TO_DATA /${LUMETRA_SESSION_DIR} /${LUMETRA_DATA_DIR})
foreach(generated lumetra-till lumetra-kiosk-session lumetra-kiosk.desktop changelog)
  configure_file(${LUMETRA_PACKAGING_DIR}/${generated}.in ${LUMETRA_GENERATED_DIR}/${generated} @ONLY)
endforeach()
add_custom_command(OUTPUT ${LUMETRA_GENERATED_DIR}/changelog.gz
  COMMAND gzip -9nc ${LUMETRA_GENERATED_DIR}/changelog > ${LUMETRA_GENERATED_DIR}/changelog.gz
  DEPENDS ${LUMETRA_GENERATED_DIR}/changelog)
add_custom_target(lumetra_changelog ALL DEPENDS ${LUMETRA_GENERATED_DIR}/changelog.gz)

set(LUMETRA_DATA_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS lumetra lumetra-virtual-printer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS lumetra-renderer LIBRARY DESTINATION lib/lumetra
  PERMISSIONS ${LUMETRA_DATA_PERMISSIONS})
install(PROGRAMS ${LUMETRA_GENERATED_DIR}/lumetra-till DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${LUMETRA_GENERATED_DIR}/lumetra-kiosk-session DESTINATION ${LUMETRA_SESSION_DIR})
install(FILES ${LUMETRA_PACKAGING_DIR}/lumetra.conf DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/lumetra)
# A neighbour table large enough for printer discovery on a /16 shop network.
install(FILES ${LUMETRA_PACKAGING_DIR}/10-lumetra-neighbours.conf DESTINATION lib/sysctl.d)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/dev/ DESTINATION ${LUMETRA_DATA_DIR}/dev
  FILE_PERMISSIONS ${LUMETRA_DATA_PERMISSIONS})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/www/ DESTINATION ${LUMETRA_DATA_DIR}/demo
  FILE_PERMISSIONS ${LUMETRA_DATA_PERMISSIONS})
# The kiosk session's window manager configuration (menus and bindings).
install(FILES ${LUMETRA_PACKAGING_DIR}/openbox/rc.xml ${LUMETRA_PACKAGING_DIR}/openbox/menu.xml
  DESTINATION ${LUMETRA_DATA_DIR}/openbox PERMISSIONS ${LUMETRA_DATA_PERMISSIONS})
install(FILES ${LUMETRA_PACKAGING_DIR}/lumetra-autostart.desktop DESTINATION ${LUMETRA_DATA_DIR}/autostart
  RENAME lumetra.desktop)
install(FILES ${LUMETRA_GENERATED_DIR}/lumetra-kiosk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/xsessions)
install(FILES ${LUMETRA_PACKAGING_DIR}/lumetra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/lumetra.png
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
install(FILES ${LUMETRA_PACKAGING_DIR}/copyright ${LUMETRA_GENERATED_DIR}/changelog.gz
  ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/window-api.md ${PROJECT_SOURCE_DIR}/www/lumetra.d.ts
  DESTINATION ${LUMETRA_DOC_DIR})

set(CPACK_PACKAGE_NAME lumetra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_CONTACT "The Lumetra developers <lumetra@example.org>")
# The first line is the synopsis; CPack indents the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "kiosk shell for restaurant point-of-sale web apps
Lumetra shows a shop's POS web app full screen and gives its pages native
functions that drive receipt and kitchen printers (CUPS queues or raw TCP
9100), the cash drawer and buzzer behind them, label printers, a serial
customer display and a customer display window on a second monitor.

The package holds the shell, a virtual receipt printer that draws
receipts as pictures, sample printer models, a demo till, a kiosk X
session and an autostart entry.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Besides the libraries: the virtual printer draws receipts with this font,
# and pages in Chinese need it on a fresh install.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "openbox, cups")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "nodejs, x11-xserver-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${LUMETRA_PACKAGING_DIR}/conffiles ${LUMETRA_PACKAGING_DIR}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SET_DESTDIR ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)
include(CPack)
