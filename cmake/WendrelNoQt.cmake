# Qt has no place in the macOS build: the window is AppKit and the bundle
# carries no framework. wendrel_forbid_qt(TARGET...) fails the configuration
# when any of the targets links Qt, directly or through what it links
# (a Qt6:: target, a Qt library or a Qt framework by path). On macOS every
# target of the build is checked; on Linux the toolkit-free libraries are,
# which keeps the check itself exercised where Qt is installed.

function(_wendrel_links_of out target)
  set(links "")
  get_target_property(imported ${target} IMPORTED)
  if(NOT imported)
    get_target_property(direct ${target} LINK_LIBRARIES)
    if(direct)
      list(APPEND links ${direct})
    endif()
  endif()
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  if(interface)
    list(APPEND links ${interface})
  endif()
  # $<LINK_ONLY:x> and the like name x.
  list(TRANSFORM links REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1")
  set(${out} ${links} PARENT_SCOPE)
endfunction()

function(wendrel_forbid_qt)
  set(pending ${ARGN})
  set(seen "")
  while(pending)
    list(POP_FRONT pending target)
    if(target IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${target})
    _wendrel_links_of(links ${target})
    foreach(link IN LISTS links)
      if(link MATCHES "^Qt[0-9]*::" OR link MATCHES "(^|/)(lib)?Qt[0-9]*[A-Z][A-Za-z]*(\\.framework|\\.dylib|\\.so|\\.a)?$")
        message(FATAL_ERROR "${target} links ${link}: no target of this build may link Qt")
      endif()
      if(TARGET ${link})
        list(APPEND pending ${link})
      endif()
    endforeach()
  endwhile()
endfunction()

# Every target defined in `dir` and below.
function(wendrel_targets_below out dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    wendrel_targets_below(below ${subdirectory})
    list(APPEND targets ${below})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()
