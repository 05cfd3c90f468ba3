# Cross-builds the Windows program on Debian with MinGW-w64 (POSIX threads) and a Qt built
# for Windows at QT_WINDOWS_PREFIX (a cache variable or the environment's). Qt's host tools,
# moc, rcc and uic, are Debian's own Qt of the same version. Programs built here run under
# Wine, which CTest and the tests use to run them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT QT_WINDOWS_PREFIX)
    set(QT_WINDOWS_PREFIX "$ENV{QT_WINDOWS_PREFIX}" CACHE PATH "Qt for Windows (MinGW-w64)")
endif()
if(NOT EXISTS "${QT_WINDOWS_PREFIX}/lib/cmake/Qt6/Qt6Config.cmake")
    message(FATAL_ERROR "QT_WINDOWS_PREFIX (\"${QT_WINDOWS_PREFIX}\") is not a Qt for Windows")
endif()
# try_compile() projects read this file again: hand them the prefix too.
set(ENV{QT_WINDOWS_PREFIX} "${QT_WINDOWS_PREFIX}")

# A MinGW toolchain finds packages and libraries only under its roots: Qt's prefix is one.
set(CMAKE_FIND_ROOT_PATH "${QT_WINDOWS_PREFIX}" /usr/x86_64-w64-mingw32)
set(CMAKE_PREFIX_PATH "${QT_WINDOWS_PREFIX}/lib/cmake")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
