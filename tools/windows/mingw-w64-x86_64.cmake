# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX thread
# model: Qt needs std::thread and friends).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VESTRA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VESTRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESTRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VESTRA_MINGW_TRIPLE}-windres)

# Look for libraries and headers in the MinGW sysroot and the kit only, never
# among the Linux host's; programs (moc, uic, rcc) come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VESTRA_MINGW_TRIPLE})
if(DEFINED ENV{VESTRA_WINDOWS_PREFIX})
    list(APPEND CMAKE_FIND_ROOT_PATH $ENV{VESTRA_WINDOWS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
