# Signs Wendrel.app inside out, never with --deep: first every library and
# framework nested in the bundle, the deepest first, each with the options
# of its own, then the app itself, whose signature seals over theirs. Run as
#   cmake -DBUNDLE=Wendrel.app -DIDENTITY=- -DENTITLEMENTS=file -P sign_bundle.cmake
# IDENTITY "-" signs ad hoc; any other identity signs with the hardened
# runtime and a secure timestamp (the notary service needs both), and the
# entitlements go to the app's main executable only.
if(NOT BUNDLE OR NOT IDENTITY)
  message(FATAL_ERROR "sign_bundle.cmake needs BUNDLE and IDENTITY")
endif()

if(IDENTITY STREQUAL "-")
  set(signing codesign --force --sign -)
  set(app_signing ${signing})
else()
  set(signing codesign --force --options runtime --timestamp --sign "${IDENTITY}")
  set(app_signing ${signing} --entitlements "${ENTITLEMENTS}")
endif()

file(GLOB_RECURSE libraries LIST_DIRECTORIES false "${BUNDLE}/Contents/*.dylib")
file(GLOB_RECURSE frameworks LIST_DIRECTORIES true "${BUNDLE}/Contents/*.framework")
list(FILTER frameworks INCLUDE REGEX "\\.framework$")

# Deepest first: whatever sits inside a framework is signed before it.
set(ordered "")
foreach(item IN LISTS libraries frameworks)
  string(REGEX MATCHALL "/" separators "${item}")
  list(LENGTH separators depth)
  math(EXPR key "1000 - ${depth}")
  string(LENGTH "${key}" digits)
  if(digits LESS 4)
    set(key "0${key}")
  endif()
  list(APPEND ordered "${key}|${item}")
endforeach()
list(SORT ordered)

foreach(entry IN LISTS ordered)
  string(REGEX REPLACE "^[0-9]+\\|" "" item "${entry}")
  execute_process(COMMAND ${signing} "${item}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "codesign failed on ${item}")
  endif()
endforeach()

execute_process(COMMAND ${app_signing} "${BUNDLE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "codesign failed on ${BUNDLE}")
endif()
