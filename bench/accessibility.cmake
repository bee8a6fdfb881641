# The accessibility walk: its own cost over a fake tree, and real reads of the
# stand-in map applications (Qt, GTK, the page in Chromium) over AT-SPI,
# beside the walk as it was before its requests went out ahead of it and
# libatspi's own getters (the bench alone links libatspi). The reads need a desktop stack:
#   tests/e2e/with-desktop.sh build/bin/accessibility_bench
if(TARGET wendrel_accessibility)
  wendrel_benchmark(accessibility_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/accessibility_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/accessibility_walk_before.cpp
            ${PROJECT_SOURCE_DIR}/tests/accessibility/standin_process.cpp
    LIBS wendrel_accessibility standin_scenario nlohmann_json::nlohmann_json PkgConfig::ATSPI PkgConfig::DBUS)
  target_include_directories(accessibility_bench PRIVATE
    ${PROJECT_SOURCE_DIR}/tests/accessibility ${PROJECT_SOURCE_DIR}/tests/fixtures)
  target_compile_definitions(accessibility_bench PRIVATE
    WENDREL_STANDIN="$<TARGET_FILE:amap-standin>"
    WENDREL_STANDIN_GTK="$<TARGET_FILE:amap-standin-gtk>"
    WENDREL_STANDIN_BROWSER="$<TARGET_FILE:amap-standin-browser>"
    WENDREL_SCENARIOS="${PROJECT_SOURCE_DIR}/tests/fixtures/scenarios")
  add_dependencies(accessibility_bench amap-standin amap-standin-gtk amap-standin-browser)
endif()
