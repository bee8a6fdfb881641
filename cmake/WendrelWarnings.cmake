# Every target of the project gets the same warning set through this interface
# library; CI turns them into errors.
add_library(wendrel_warnings INTERFACE)
target_compile_options(wendrel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)
if(WENDREL_WERROR)
  target_compile_options(wendrel_warnings INTERFACE -Werror)
endif()

if(WENDREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz build instruments every library for libFuzzer's coverage and runs it
# under the sanitizers; only the fuzz targets link libFuzzer itself.
if(WENDREL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Builds a small library from the sources given, with the project's include root.
function(wendrel_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE wendrel_warnings ${ARG_PRIVATE})
endfunction()
