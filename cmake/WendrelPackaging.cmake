# Installation and the Debian package (cpack -G DEB from build/, or
# cpack --preset default): wendrel and wendrel-inspect in /usr/bin, the desktop
# entry, the icon and the AppStream metainfo. Everything else installed with
# install() anywhere in the tree goes into the package as well. The stand-in
# map application, the tests and the benchmarks install nothing.

if(NOT WENDREL_PLATFORM_LINUX)
  return()
endif()

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)

# The application's identifier: the names of the desktop entry, the icon and
# the metainfo file. StartupWMClass is the class part of the window's
# WM_CLASS, which Qt takes from the application name set in src/app/main.cpp.
set(WENDREL_APP_ID "org.wendrel.Wendrel")
set(WENDREL_WM_CLASS "Wendrel")
# The date of the release named by the project version (AppStream metainfo).
set(WENDREL_RELEASE_DATE "2026-12-07")

# ---------------------------------------------------------------------------
# The package's runtime dependencies: the one list to change when what the
# programs link or load changes (scripts/test-package.sh checks that every
# library the installed programs load comes from these packages or theirs).
set(WENDREL_RUNTIME_PACKAGES
  # C and C++ runtime, OpenMP
  libc6 libstdc++6 libgcc-s1 libgomp1
  # window and clipboard: Qt 6 widgets, its xcb platform plugin (in libqt6gui6)
  # and the other platform plugins; D-Bus for the accessibility status
  libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 qt6-qpa-plugins libdbus-1-3
  # text rules
  libicu72
  # the accessibility read: AT-SPI and its bus
  libatspi2.0-0 libglib2.0-0 at-spi2-core
  # the map application's windows and their capture
  libxcb1 libxcb-composite0 libxcb-damage0 libxcb-xrm0
  # text recognition: OpenCV's DNN module (the models are installed with the
  # programs, in share/wendrel/models)
  libopencv-core406 libopencv-imgproc406 libopencv-dnn406
  # the window's Chinese text
  fonts-noto-cjk
  # the success sound
  libcanberra0 sound-theme-freedesktop
)
# ---------------------------------------------------------------------------

foreach(program wendrel wendrel-inspect)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

set(WENDREL_DESKTOP_DIR ${CMAKE_BINARY_DIR}/desktop)
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/wendrel.desktop.in
  ${WENDREL_DESKTOP_DIR}/${WENDREL_APP_ID}.desktop @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/wendrel.metainfo.xml.in
  ${WENDREL_DESKTOP_DIR}/${WENDREL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${WENDREL_DESKTOP_DIR}/${WENDREL_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${WENDREL_DESKTOP_DIR}/${WENDREL_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/wendrel.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${WENDREL_APP_ID}.svg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wendrel)
set(CPACK_PACKAGE_VENDOR "Wendrel")
set(CPACK_PACKAGE_CONTACT "Wendrel developers <developers@wendrel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "copies the truck routes planned in the map application for a freight-rate site")
set(CPACK_PACKAGE_DESCRIPTION
  "Wendrel reads the route-choice panel of the map application, through the\n"
  "accessibility tree or by recognising the text of its window on the machine,\n"
  "and puts the route options on the clipboard as one line of text that the\n"
  "freight-rate web site imports. wendrel-inspect replays a read from text.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
list(JOIN WENDREL_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
