# End-to-end cases of the screen-recognition read: the stand-in, Wendrel and a
# private desktop stack; each case is its own CTest test with the label "e2e".
# The stand-in is defined after this directory; its name resolves at generate time.
if(TARGET wendrel AND TARGET wendrel_accessibility)
  add_executable(screen-read-e2e ${CMAKE_CURRENT_LIST_DIR}/screen_read_e2e.cpp)
  target_include_directories(screen-read-e2e PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(screen-read-e2e PRIVATE wendrel_accessibility wendrel_parser wendrel_platform_linux
    standin_scenario Qt6::Core wendrel_warnings)
  add_dependencies(screen-read-e2e wendrel amap-standin)

  foreach(case labels-accessible panel-text-disabled covered minimised too-small)
    add_test(NAME e2e.screen_read.${case}
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/with-desktop.sh $<TARGET_FILE:screen-read-e2e> ${case}
        --standin $<TARGET_FILE:amap-standin> --wendrel $<TARGET_FILE:wendrel>
        --scenarios ${PROJECT_SOURCE_DIR}/tests/fixtures/scenarios)
    set_tests_properties(e2e.screen_read.${case} PROPERTIES LABELS e2e TIMEOUT 180 RESOURCE_LOCK desktop)
  endforeach()
  # The same panel drawn by the GTK stand-in: another toolkit's fonts and
  # spacing than the ones the recogniser was measured on.
  if(WENDREL_PLATFORM_LINUX)
    add_dependencies(screen-read-e2e amap-standin-gtk)
    add_test(NAME e2e.screen_read.gtk.labels-accessible
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/with-desktop.sh $<TARGET_FILE:screen-read-e2e> labels-accessible
        --standin $<TARGET_FILE:amap-standin-gtk> --wendrel $<TARGET_FILE:wendrel>
        --scenarios ${PROJECT_SOURCE_DIR}/tests/fixtures/scenarios)
    set_tests_properties(e2e.screen_read.gtk.labels-accessible PROPERTIES LABELS e2e TIMEOUT 180 RESOURCE_LOCK desktop)
    # And as a web page in Chromium, one element per line.
    add_dependencies(screen-read-e2e amap-standin-browser)
    add_test(NAME e2e.screen_read.browser.labels-accessible
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/with-desktop.sh $<TARGET_FILE:screen-read-e2e> labels-accessible
        --standin $<TARGET_FILE:amap-standin-browser> --wendrel $<TARGET_FILE:wendrel>
        --scenarios ${PROJECT_SOURCE_DIR}/tests/fixtures/scenarios)
    set_tests_properties(e2e.screen_read.browser.labels-accessible PROPERTIES
      LABELS e2e TIMEOUT 180 RESOURCE_LOCK desktop)
  endif()
endif()
