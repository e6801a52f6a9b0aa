# Installing the status item like a desktop program, and its Debian package.
#
# Layout below the prefix:
#   lib/zorva/Zorva menu bar item.app/      the application bundle, as in the build tree
#   bin/zorva-menu-bar-item                 relative link to the bundle's executable; the
#                                           program finds its bundle from the link's target
#   bin/zorva-device-sim, zorva-tray-host, zorva-update-window   the helper programs
#   share/applications, share/metainfo, share/icons/hicolor, share/dbus-1/interfaces
#   <sysconfdir>/xdg/autostart              starts the status item at login
#   share/doc/zorva-menu-bar-item           README, docs/, copyright, changelog, examples
#   share/man/man1                          a page for each command
#
# Included before the subfolders so that they see the folders; the rules that name
# targets run once the whole tree is read.
set(ZORVA_PACKAGE_NAME "zorva-menu-bar-item")
set(ZORVA_APP_ID "com.zorva.ZorvaStatusMenu")
set(CMAKE_INSTALL_DOCDIR "share/doc/${ZORVA_PACKAGE_NAME}")
include(GNUInstallDirs)
set(ZORVA_INSTALL_BUNDLE_PARENT "lib/zorva")
set(ZORVA_INSTALL_BUNDLE "${ZORVA_INSTALL_BUNDLE_PARENT}/${ZORVA_APP_NAME}.app")
# The bundle as seen from the folder of the installed commands.
file(RELATIVE_PATH ZORVA_BUNDLE_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}"
     "${CMAKE_INSTALL_PREFIX}/${ZORVA_INSTALL_BUNDLE}")

# Installed programs resolve every symbol at start and map their relocations read-only.
add_link_options(LINKER:-z,relro,-z,now)

function(zorva_install_rules)
    set(desktop_src "${PROJECT_SOURCE_DIR}/resources/desktop")
    set(out "${PROJECT_BINARY_DIR}/install")

    # The bundle without its executable, then the executable (stripped by the packager).
    install(DIRECTORY "${ZORVA_BUNDLE_DIR}" DESTINATION "${ZORVA_INSTALL_BUNDLE_PARENT}"
            PATTERN "MacOS" EXCLUDE)
    install(TARGETS zorva_status_menu RUNTIME DESTINATION "${ZORVA_INSTALL_BUNDLE}/Contents/MacOS")
    file(MAKE_DIRECTORY "${out}")
    file(CREATE_LINK "${ZORVA_BUNDLE_FROM_BINDIR}/Contents/MacOS/${ZORVA_APP_NAME}"
         "${out}/${ZORVA_PACKAGE_NAME}" SYMBOLIC)
    install(FILES "${out}/${ZORVA_PACKAGE_NAME}" DESTINATION "${CMAKE_INSTALL_BINDIR}")
    install(TARGETS zorva-device-sim zorva-tray-host zorva-update-window
            RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

    # Desktop integration.
    configure_file("${desktop_src}/app.desktop.in" "${out}/${ZORVA_APP_ID}.desktop" @ONLY)
    configure_file("${desktop_src}/autostart.desktop.in" "${out}/autostart/${ZORVA_APP_ID}.desktop"
                   @ONLY)
    configure_file("${desktop_src}/app.metainfo.xml.in" "${out}/${ZORVA_APP_ID}.metainfo.xml"
                   @ONLY)
    install(FILES "${out}/${ZORVA_APP_ID}.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
    install(FILES "${out}/autostart/${ZORVA_APP_ID}.desktop"
            DESTINATION "${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart")
    install(FILES "${out}/${ZORVA_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

    # Application icons, drawn by the picture tool.
    set(icons "${out}/icons")
    add_custom_command(
        OUTPUT "${icons}/icons.stamp"
        COMMAND zorva_pictures --icons "${icons}/hicolor" "${ZORVA_APP_ID}"
        COMMAND ${CMAKE_COMMAND} -E touch "${icons}/icons.stamp"
        DEPENDS zorva_pictures
        COMMENT "Application icons")
    add_custom_target(zorva_app_icons ALL DEPENDS "${icons}/icons.stamp")
    install(DIRECTORY "${icons}/hicolor" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons")

    # Interfaces and documents.
    file(GLOB interfaces "${PROJECT_SOURCE_DIR}/Platform/dbus/*.xml")
    install(FILES ${interfaces} DESTINATION "${CMAKE_INSTALL_DATADIR}/dbus-1/interfaces")
    file(GLOB docs "${PROJECT_SOURCE_DIR}/docs/*.md")
    install(FILES "${PROJECT_SOURCE_DIR}/README.md" ${docs} "${desktop_src}/copyright"
            DESTINATION "${CMAKE_INSTALL_DOCDIR}")
    install(DIRECTORY "${PROJECT_SOURCE_DIR}/tools/zorva-device-sim/scenarios"
            "${PROJECT_SOURCE_DIR}/tools/zorva-update-window/samples"
            DESTINATION "${CMAKE_INSTALL_DOCDIR}/examples")
    add_custom_command(
        OUTPUT "${out}/changelog.gz"
        COMMAND gzip -9nc "${desktop_src}/changelog" > "${out}/changelog.gz"
        DEPENDS "${desktop_src}/changelog")
    add_custom_target(zorva_changelog ALL DEPENDS "${out}/changelog.gz")
    install(FILES "${out}/changelog.gz" DESTINATION "${CMAKE_INSTALL_DOCDIR}")

    # Manual pages, compressed as Debian keeps them.
    file(GLOB manpages "${PROJECT_SOURCE_DIR}/resources/man/*.1")
    set(compressed "")
    foreach(page IN LISTS manpages)
        get_filename_component(name "${page}" NAME)
        add_custom_command(
            OUTPUT "${out}/man/${name}.gz"
            COMMAND ${CMAKE_COMMAND} -E make_directory "${out}/man"
            COMMAND gzip -9nc "${page}" > "${out}/man/${name}.gz"
            DEPENDS "${page}")
        list(APPEND compressed "${out}/man/${name}.gz")
    endforeach()
    add_custom_target(zorva_manpages ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

    # Everything the rules above install, for building the package without the tests.
    add_custom_target(zorva_installed)
    add_dependencies(zorva_installed zorva_status_menu zorva_bundle zorva-device-sim zorva-tray-host
                     zorva-update-window zorva-device-service zorva_app_icons zorva_changelog
                     zorva_manpages)

    include("${PROJECT_SOURCE_DIR}/cmake/ZorvaPackage.cmake")
endfunction()

cmake_language(DEFER DIRECTORY "${PROJECT_SOURCE_DIR}" CALL zorva_install_rules)
