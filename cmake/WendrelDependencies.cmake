# Every dependency comes from the system's packages.

# Homebrew keeps ICU out of the default search path (a "keg-only" formula).
if(APPLE AND NOT ICU_ROOT AND NOT DEFINED ENV{ICU_ROOT})
  execute_process(COMMAND brew --prefix icu4c
    OUTPUT_VARIABLE wendrel_icu_prefix OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE wendrel_brew_result)
  if(wendrel_brew_result EQUAL 0 AND IS_DIRECTORY "${wendrel_icu_prefix}")
    set(ICU_ROOT "${wendrel_icu_prefix}")
  endif()
endif()

# On macOS ICU is linked statically: Homebrew's icu4c bottle is built with
# --enable-static, and Wendrel.app then loads no library from outside the
# system. libicudata.a holds the data the static libraries need.
if(APPLE)
  set(wendrel_library_suffixes ${CMAKE_FIND_LIBRARY_SUFFIXES})
  set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
  find_package(ICU REQUIRED COMPONENTS uc i18n data)
  set(CMAKE_FIND_LIBRARY_SUFFIXES ${wendrel_library_suffixes})
  foreach(component uc i18n)
    set_property(TARGET ICU::${component} APPEND PROPERTY INTERFACE_LINK_LIBRARIES ICU::data)
  endforeach()
else()
  find_package(ICU REQUIRED COMPONENTS uc i18n)
endif()
find_package(nlohmann_json 3.10 REQUIRED)
find_package(PkgConfig REQUIRED)

if(WENDREL_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(WENDREL_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()

# The desktop layers. On Linux: Qt 6 window and clipboard, AT-SPI accessibility
# over libdbus, X11 window list and Composite capture, recognition with OpenCV's
# DNN module.
# The fuzz build needs none of them: it exercises the portable libraries only.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT WENDREL_FUZZ)
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
  list(APPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake)
  find_package(OpenCVModules REQUIRED)
  include(${CMAKE_CURRENT_LIST_DIR}/WendrelModels.cmake)
  pkg_check_modules(CANBERRA IMPORTED_TARGET libcanberra)
endif()

# On macOS: AppKit (the window, the pasteboard, the workspace), the
# Accessibility API, CoreGraphics, ScreenCaptureKit and Vision from the
# system, reached from Objective-C++ where their API is Objective-C. No Qt,
# no OpenCV, X11 or AT-SPI.
if(APPLE)
  set(WENDREL_PLATFORM_MACOS ON)
  enable_language(OBJCXX)
  set(CMAKE_OBJCXX_STANDARD 20)
  set(CMAKE_OBJCXX_STANDARD_REQUIRED ON)
  set(CMAKE_OBJCXX_EXTENSIONS OFF)
endif()
