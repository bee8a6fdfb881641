# Every dependency comes from the system's packages.
find_package(ICU REQUIRED COMPONENTS uc i18n)
find_package(nlohmann_json 3.10 REQUIRED)
find_package(PkgConfig REQUIRED)

if(WENDREL_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(WENDREL_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()

# The desktop layers. On Linux: Qt 6 window and clipboard, AT-SPI accessibility
# over libdbus, X11 window list and Composite capture, Tesseract recognition.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(WENDREL_PLATFORM_LINUX ON)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus)
  pkg_check_modules(DBUS REQUIRED IMPORTED_TARGET dbus-1)
  # The GTK stand-in map application of the tests, and the bench's walk with
  # libatspi's own getters for comparison; Wendrel itself uses neither.
  if(WENDREL_BUILD_TESTS)
    pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
  endif()
  if(WENDREL_BUILD_BENCH)
    pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2 gobject-2.0 glib-2.0)
  endif()
  pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb xcb-composite xcb-xrm)
  pkg_check_modules(TESSERACT REQUIRED IMPORTED_TARGET tesseract lept)
  pkg_check_modules(CANBERRA IMPORTED_TARGET libcanberra)
  find_package(OpenMP COMPONENTS CXX)
endif()
