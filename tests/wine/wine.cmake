# Running the cross-built tests under Wine (see tests/CMakeLists.txt).
set(SENSOR_WINE_PREFIX ${CMAKE_CURRENT_BINARY_DIR}/wineprefix)
# Wine finds DLLs on WINEPATH; a ';' inside a test's variable is written "\;".
string(JOIN "\\;" wine_path ${QT_WINDOWS_PREFIX}/bin /usr/lib/gcc/x86_64-w64-mingw32/12-posix
    /usr/x86_64-w64-mingw32/lib)
# How a test names a variable of Qt's, QT_... here.
set(SENSOR_QT_ENV WINEQT_)
set(SENSOR_TEST_ENVIRONMENT
    "WINEPREFIX=${SENSOR_WINE_PREFIX}" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml="
    "WINEPATH=${wine_path}"
    "WINEQT_QPA_PLATFORM=offscreen:configfile=${SENSOR_TEST_SCREENS}/1920x1080.json"
    "WINEQT_LOGGING_RULES=qt.qpa.*=false"
    # for the few checks of what Wine does otherwise than Windows
    "UNDER_WINE=1")
# Qt's tests print their log through this.
set(SENSOR_TEST_RUNNER sh ${CMAKE_CURRENT_SOURCE_DIR}/wine/qtest.sh)
# Every test built for Windows, and what they need.
add_custom_target(windows_tests)
add_test(NAME wine_prefix COMMAND wineboot --init)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 120
    ENVIRONMENT "${SENSOR_TEST_ENVIRONMENT}")

# The stand-in for a serial driver that lets QSerialPort read under Wine, for the tests
# that drive the program on the simulated board (see commshim.cpp).
qt_add_plugin(commshim SHARED CLASS_NAME CommShim)
target_sources(commshim PRIVATE wine/commshim.cpp)
target_link_libraries(commshim PRIVATE Qt6::Gui)
# What the program shows, for the test of the zip, which has no screen reader to ask (see
# textprobe.cpp).
qt_add_plugin(textprobe SHARED CLASS_NAME TextProbe)
target_sources(textprobe PRIVATE wine/textprobe.cpp)
target_link_libraries(textprobe PRIVATE Qt6::Widgets)
# Windows' end of a session, which ends the process at once (see sessionend.cpp).
qt_add_plugin(sessionend SHARED CLASS_NAME SessionEnd)
target_sources(sessionend PRIVATE wine/sessionend.cpp)
target_link_libraries(sessionend PRIVATE Qt6::Gui)
set_target_properties(commshim textprobe sessionend PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/plugins/generic
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/plugins/generic)
add_dependencies(windows_tests commshim textprobe sessionend)
