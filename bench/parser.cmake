wendrel_benchmark(parser_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/parser_bench.cpp
  LIBS wendrel_parser)
