# The fragment layout over a busy window's worth of recognised text.
wendrel_benchmark(route_layout_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/route_layout_bench.cpp
  LIBS wendrel_vision)
