# The Debian package: `cpack -G DEB` in the build folder packs what `cmake --install` installs,
# under /usr. dpkg-shlibdeps finds the libraries the program links; what Qt loads at run time
# (the window system's platform plugin) and what only helps are named here.

# Contacts timed to the hundredth: a udev rule sets FTDI adapters' latency timer to 1 ms, and the
# group dialout may give the serial port threads a real-time priority (limits.d, read at login;
# under /etc when installed under /usr, as in the package, else under the prefix).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/60-brenvolutaris-ftdi-latency.rules DESTINATION lib/udev/rules.d)
install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
        set(brv_limits /etc/security/limits.d)
    else()
        set(brv_limits \"\${CMAKE_INSTALL_PREFIX}/etc/security/limits.d\")
    endif()
    file(INSTALL DESTINATION \"\${brv_limits}\" TYPE FILE RENAME brenvolutaris.conf
         FILES \"${PROJECT_SOURCE_DIR}/packaging/brenvolutaris-limits.conf\")
")
file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "/etc/security/limits.d/brenvolutaris.conf\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brenvolutaris)
set(CPACK_PACKAGE_VENDOR ${BRV_MAKER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Zeitnahme und Protokoll für Feuerwehr-Wettkämpfe")
set(CPACK_PACKAGE_DESCRIPTION
    "Brenvolutaris nimmt die Zeiten eines Feuerwehr-Wettkampfs im K.-o.-System auf zwei oder \
drei Bahnen und führt das Protokoll: Vorrunde, Achtel-, Viertel- und Halbfinale, Finale und \
Gesamt-Ergebnis. Start und Ziel kommen von Lichtschranken oder Tastern an der seriellen \
Schnittstelle oder von der Tastatur. Mit TV-Anzeige, Ausdruck von Protokoll und Urkunden, \
Wiederherstellung nach einem Absturz und einem deutschen Handbuch.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BRV_MAKER} <brenvolutaris@tempvalorhub.de>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tempvalorhub.de/brenvolutaris")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# the package carries the program without its debugging symbols
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# the printouts' fonts by their metric twins; Qt's own dialogs in German; real-time priority for
# the serial port threads of users outside the group dialout
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, qt6-translations-l10n, rtkit")
include(CPack)
