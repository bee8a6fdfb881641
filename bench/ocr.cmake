# Recognition accuracy and speed on rendered route panels (Linux recogniser).
if(TARGET wendrel_vision_platform)
  add_library(wendrel_ocr_panels STATIC ${CMAKE_CURRENT_LIST_DIR}/ocr_panel.cpp)
  target_include_directories(wendrel_ocr_panels PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(wendrel_ocr_panels PUBLIC wendrel_vision wendrel_parser Qt6::Gui PRIVATE wendrel_warnings)

  add_executable(wendrel-ocr-bench ${CMAKE_CURRENT_LIST_DIR}/ocr_bench.cpp)
  target_link_libraries(wendrel-ocr-bench PRIVATE wendrel_ocr_panels wendrel_vision_platform wendrel_inspect_lib
    Qt6::Gui wendrel_warnings)
endif()
