# The Debian package, built by `cpack -G DEB` (scripts/package). Library
# dependencies are computed by dpkg-shlibdeps; the Qt platform plugins are
# loaded at run time and so named by hand.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "${ZORVA_PACKAGE_NAME}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Zorva")
set(CPACK_PACKAGE_CONTACT "Zorva Linux team <linux@zorva.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "status icon for Zorva USB and wireless headsets")
set(CPACK_PACKAGE_DESCRIPTION
    "The Zorva suite's status icon lives in the panel's tray and lists the\n\
attached headsets with the battery level of wireless ones and the softphones\n\
found on the computer. Its icon tells when a firmware update is available or a\n\
battery runs low, and its update window starts the firmware updater.\n\
\n\
The package also holds the device service simulator, a minimal tray host and a\n\
viewer of the update window, for trying the status item without a headset.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zorva.example/linux")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcrypto is opened at run time, so the library scan does not see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, dbus-user-session | dbus-x11, libssl${ZORVA_OPENSSL_MAJOR}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "upower")
# Every file below /etc is a configuration file the administrator may change.
file(WRITE "${PROJECT_BINARY_DIR}/install/conffiles"
     "${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart/${ZORVA_APP_ID}.desktop\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_BINARY_DIR}/install/conffiles")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DIRECTORY "${PROJECT_BINARY_DIR}/package")
include(CPack)
