# What a technician installs on Windows: one folder with the three programs,
# the Qt DLLs and plugins they load, libcsv's DLL and the MinGW runtime, made
# into an NSIS installer and a zip by CPack. Included from packaging.cmake.

# The Qt modules the programs link, and the plugins Qt loads at run time.
set(vestra_qt_dlls)
foreach(module Core Gui Widgets SerialPort Sql)
    if(TARGET Qt6::${module})
        list(APPEND vestra_qt_dlls $<TARGET_FILE:Qt6::${module}>)
    endif()
endforeach()
install(FILES ${vestra_qt_dlls} DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
if(TARGET Qt6::QSQLiteDriverPlugin)
    install(FILES $<TARGET_FILE:Qt6::QSQLiteDriverPlugin> DESTINATION sqldrivers)
endif()

# libcsv's DLL lies in bin/ beside the lib/ of its import library.
get_filename_component(vestra_csv_prefix ${VESTRA_CSV_LIBRARY} DIRECTORY)
find_file(VESTRA_CSV_DLL NAMES libcsv-3.dll libcsv.dll
    HINTS ${vestra_csv_prefix}/../bin ${vestra_csv_prefix} NO_CMAKE_FIND_ROOT_PATH)
find_file(VESTRA_CSV_LICENCE COPYING.LESSER
    HINTS ${vestra_csv_prefix}/../share/licenses/libcsv NO_CMAKE_FIND_ROOT_PATH)
if(NOT VESTRA_CSV_DLL)
    message(FATAL_ERROR "libcsv's DLL not found beside ${VESTRA_CSV_LIBRARY}")
endif()
install(FILES ${VESTRA_CSV_DLL} DESTINATION .)
if(VESTRA_CSV_LICENCE)
    install(FILES ${VESTRA_CSV_LICENCE} DESTINATION . RENAME libcsv-COPYING.LESSER.txt)
endif()

# The compiler's runtime, wherever the MinGW packages keep it.
if(MINGW)
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
            OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
            message(FATAL_ERROR "The MinGW runtime ${dll} was not found by ${CMAKE_CXX_COMPILER}")
        endif()
        install(FILES ${path} DESTINATION .)
    endforeach()
endif()

# Installed stripped (cmake --install --strip, and cpack), the DLLs copied in
# lose their symbol tables as the programs do: the runtime's are half debug data.
install(CODE "
if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB_RECURSE vestra_dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
    foreach(dll IN LISTS vestra_dlls)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\")
    endforeach()
endif()")

# The licence page: our terms, then Qt's LGPL notice as the About dialog has it.
file(READ ${VESTRA_RESOURCES_DIR}/licence/windows-terms.txt vestra_terms)
file(READ ${VESTRA_RESOURCES_DIR}/licence/notice.txt vestra_qt_notice)
set(vestra_licence ${CMAKE_BINARY_DIR}/windows/licence.txt)
file(WRITE ${vestra_licence} "${vestra_terms}\n${vestra_qt_notice}")
install(FILES ${vestra_licence} DESTINATION . RENAME LICENCE.txt)

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Kova VESTRA")
set(CPACK_RESOURCE_FILE_LICENSE ${vestra_licence})
set(CPACK_NSIS_PACKAGE_NAME "Kova VESTRA")
set(CPACK_NSIS_DISPLAY_NAME "Kova VESTRA ${PROJECT_VERSION}")
set(CPACK_NSIS_MUI_ICON ${VESTRA_RESOURCES_DIR}/images/vestra.ico)
set(CPACK_NSIS_MUI_UNIICON ${VESTRA_RESOURCES_DIR}/images/vestra.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME vestra.exe)
# The Start-menu entry: the window program, under the instrument's name.
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_PACKAGE_EXECUTABLES vestra "Kova VESTRA")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_CONTACT "${CPACK_PACKAGE_CONTACT}")
set(CPACK_NSIS_URL_INFO_ABOUT "https://halvik.no")
