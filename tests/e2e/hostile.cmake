# Reads from a map application hostile to accessibility clients, and the
# privacy check: what Wendrel opens, creates and connects to during a read.
if(WENDREL_PLATFORM_LINUX)
  foreach(kind huge-text huge-tree cycle changing-names)
    wendrel_e2e_case(hostile.${kind} ${CMAKE_CURRENT_LIST_DIR}/hostile_cases.sh ${kind})
  endforeach()
endif()
if(WENDREL_PLATFORM_LINUX)
  wendrel_e2e_case(privacy ${CMAKE_CURRENT_LIST_DIR}/privacy_cases.sh)
endif()
