# Desktop entry, icons, the Windows executable resources and the Debian package.
# Included from the top level once every target exists.

set(VESTRA_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})

if(WIN32)
    set(vestra_rc ${VESTRA_RESOURCES_DIR}/vestra.rc)
    target_sources(vestra PRIVATE ${vestra_rc})
    # The resource compilers look for the icon and manifest on the include path.
    set_property(SOURCE ${vestra_rc} TARGET_DIRECTORY vestra
        APPEND PROPERTY INCLUDE_DIRECTORIES ${VESTRA_RESOURCES_DIR})
    if(MSVC)
        # The linker merges this into the manifest it writes anyway.
        target_sources(vestra PRIVATE ${VESTRA_RESOURCES_DIR}/vestra.manifest)
    else()
        set_property(SOURCE ${vestra_rc} TARGET_DIRECTORY vestra
            APPEND PROPERTY COMPILE_DEFINITIONS VESTRA_MANIFEST_RESOURCE)
    endif()
endif()

if(UNIX AND NOT APPLE)
    install(FILES ${VESTRA_RESOURCES_DIR}/vestra.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${VESTRA_RESOURCES_DIR}/images/vestra-icon-32.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
        RENAME vestra.png)
    install(FILES ${VESTRA_RESOURCES_DIR}/images/vestra-icon-256.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        RENAME vestra.png)
endif()

set(CPACK_PACKAGE_NAME "kova-vestra")
set(CPACK_PACKAGE_VENDOR "Halvik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PC program of the VESTRA 406 MHz EPIRB bench tester")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Reads the measurement of a 406 MHz emergency beacon (EPIRB) from the Kova VESTRA "
    "test receiver on a serial port, judges its frequency, decodes the beacon message "
    "and writes a one-page PDF test report.")
set(CPACK_PACKAGE_CONTACT "Halvik <vestra@halvik.no>")
set(CPACK_STRIP_FILES ON)

set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The window system plugin is loaded at run time, so no linked library names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
find_program(VESTRA_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VESTRA_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
        ", libqt6core6, libqt6gui6, libqt6widgets6, libqt6serialport6")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pdf-viewer")

include(CPack)
