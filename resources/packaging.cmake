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

set(CPACK_PACKAGE_NAME "kova-vestra")
set(VESTRA_INSTALLED_PROGRAMS vestra vestra-decode vestra-report)
if(TARGET vestra-sim)
    list(APPEND VESTRA_INSTALLED_PROGRAMS vestra-sim)
endif()
set(VESTRA_MAN_PAGES)

if(UNIX AND NOT APPLE)
    # Qt's project setup points the installed programs at $ORIGIN/../lib; the
    # Qt they use is the system's, so they need no search path at all.
    set_target_properties(${VESTRA_INSTALLED_PROGRAMS} PROPERTIES INSTALL_RPATH "")

    install(FILES ${VESTRA_RESOURCES_DIR}/vestra.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${VESTRA_RESOURCES_DIR}/images/vestra-icon-32.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
        RENAME vestra.png)
    install(FILES ${VESTRA_RESOURCES_DIR}/images/vestra-icon-256.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        RENAME vestra.png)

    # Debian wants the copyright and changelog beside the package's documentation.
    # Revision 1 of the upstream version: the programs are not Debian's own.
    set(VESTRA_DEB_VERSION ${PROJECT_VERSION}-1)
    set(VESTRA_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
    set(vestra_debian_dir ${CMAKE_BINARY_DIR}/debian)
    configure_file(${VESTRA_RESOURCES_DIR}/debian/changelog.in
        ${vestra_debian_dir}/changelog.Debian @ONLY)
    find_program(VESTRA_GZIP gzip)
    find_program(VESTRA_HELP2MAN help2man)
    if(VESTRA_GZIP)
        # -n leaves out name and time, so the same sources give the same package.
        add_custom_command(OUTPUT ${vestra_debian_dir}/changelog.Debian.gz
            COMMAND ${VESTRA_GZIP} -9nkf ${vestra_debian_dir}/changelog.Debian
            DEPENDS ${vestra_debian_dir}/changelog.Debian
            VERBATIM)
        add_custom_target(vestra-changelog ALL DEPENDS ${vestra_debian_dir}/changelog.Debian.gz)
        install(FILES ${vestra_debian_dir}/changelog.Debian.gz
            DESTINATION ${VESTRA_PACKAGE_DOC_DIR})
    endif()
    install(FILES ${VESTRA_RESOURCES_DIR}/debian/copyright
        DESTINATION ${VESTRA_PACKAGE_DOC_DIR})
    install(FILES ${VESTRA_RESOURCES_DIR}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ${CPACK_PACKAGE_NAME})

    # Manual pages, written by help2man from each program's --help.
    if(VESTRA_HELP2MAN AND VESTRA_GZIP)
        set(vestra_man_name_vestra "PC program of the Kova VESTRA EPIRB bench tester")
        set(vestra_man_name_vestra-decode "decode 406 MHz beacon messages and beacon IDs")
        set(vestra_man_name_vestra-report "list the VESTRA test history, reprint past reports, show what falls due")
        set(vestra_man_name_vestra-sim
            "simulated VESTRA instrument for demonstration and training")
        foreach(program IN LISTS VESTRA_INSTALLED_PROGRAMS)
            set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
            # Run by plain name so that the usage line shows no build path.
            add_custom_command(OUTPUT ${page}.gz
                COMMAND ${CMAKE_COMMAND} -E env
                    "PATH=$<TARGET_FILE_DIR:${program}>:$ENV{PATH}" QT_QPA_PLATFORM=offscreen
                    ${VESTRA_HELP2MAN} --no-info --version-string=${PROJECT_VERSION}
                    "--name=${vestra_man_name_${program}}" --output=${page} ${program}
                COMMAND ${VESTRA_GZIP} -9nf ${page}
                DEPENDS ${program}
                COMMENT "Writing the manual page of ${program}"
                VERBATIM)
            list(APPEND VESTRA_MAN_PAGES ${page}.gz)
        endforeach()
        add_custom_target(vestra-manpages ALL DEPENDS ${VESTRA_MAN_PAGES})
        install(FILES ${VESTRA_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    else()
        message(STATUS "help2man or gzip not found: no manual pages; cpack will refuse "
            "to build the package (bash tools/install-deps.sh installs them)")
        foreach(program IN LISTS VESTRA_INSTALLED_PROGRAMS)
            list(APPEND VESTRA_MAN_PAGES ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
        endforeach()
    endif()
endif()

set(CPACK_PACKAGE_VENDOR "Halvik")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "PC program of the VESTRA 406 MHz EPIRB bench tester")
# Debian shows the description as typed: lines stay under 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "vestra reads the measurement of a 406 MHz emergency beacon (EPIRB) from the\n"
    "Kova VESTRA test receiver on a serial port, judges its frequency, decodes the\n"
    "beacon message and writes a one-page PDF test report.\n"
    "\n"
    "vestra-decode decodes beacon messages on the command line; vestra-report\n"
    "lists the test history, reprints the report of any past test and shows\n"
    "what falls due.\n"
    "\n"
    "vestra-sim simulates the instrument on a pseudo-terminal. It is a demonstration\n"
    "and training instrument, not a test receiver: with it the program can be shown\n"
    "and learnt without a VESTRA at hand, so it ships beside the program. Its\n"
    "readings are invented; no beacon is measured.")
set(CPACK_PACKAGE_CONTACT "Halvik <vestra@halvik.no>")
set(CPACK_STRIP_FILES ON)
# Into the build folder, wherever cpack is started from.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})

if(WIN32)
    include(${VESTRA_RESOURCES_DIR}/windows.cmake)
    include(CPack)
    return()
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The window system plugin is loaded at run time, so no linked library names
# it, nor the SQLite driver of the test history; the window and the report
# are laid out for the Liberation fonts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pdf-viewer")
configure_file(${VESTRA_RESOURCES_DIR}/debian/cpack-checks.cmake.in
    ${CMAKE_BINARY_DIR}/debian/cpack-checks.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/debian/cpack-checks.cmake)

include(CPack)
