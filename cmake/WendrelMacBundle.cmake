# Wendrel.app: the program as a macOS application bundle with our own
# Info.plist, signed. It holds the executable alone: the window is AppKit,
# ICU is linked statically, and everything else comes from the system.
#
# macOS keeps the Accessibility and Screen Recording grants for the app's
# designated requirement, which its signature carries. Signed with a
# certificate (Developer ID Application) that requirement names the bundle
# identifier and the certificate's team, so a rebuilt or updated Wendrel.app
# keeps both grants. An ad-hoc signature has no certificate: its requirement
# is the hash of that one build's code, so to macOS every rebuild is a new
# program and the dispatcher has to grant both again.
#
# The deployment target, CMAKE_OSX_DEPLOYMENT_TARGET, is set by the "macos"
# preset to 26.0: the parser reads numbers with std::from_chars for double,
# which the system's C++ library has from macOS 26.0 on.

set(WENDREL_BUNDLE_IDENTIFIER "org.wendrel.Wendrel" CACHE STRING "Bundle identifier of Wendrel.app")
set(WENDREL_CODESIGN_IDENTITY "-" CACHE STRING
  "codesign identity of Wendrel.app: - signs ad hoc; a Developer ID Application identity signs with the hardened runtime, ready for notarisation")

if(CMAKE_OSX_DEPLOYMENT_TARGET AND CMAKE_OSX_DEPLOYMENT_TARGET VERSION_LESS 26.0)
  message(FATAL_ERROR "CMAKE_OSX_DEPLOYMENT_TARGET is ${CMAKE_OSX_DEPLOYMENT_TARGET}; Wendrel needs 26.0 or later "
    "(std::from_chars for double is in the system's C++ library from macOS 26.0 on)")
endif()

# cmake/macos/Wendrel.entitlements claims nothing. Wendrel needs none of the
# hardened runtime's exceptions (no JIT, no unsigned executable memory, no
# library from outside the system: the executable loads only /usr/lib and
# /System) and no sandbox, nor any of the sandbox's network
# entitlements; reading the map application's window rests on the two grants
# the dispatcher gives, not on entitlements. The notary service wants that
# file as plain XML without comments, so the reasons stand here.
#
# The signing step after each link: cmake/macos/sign_bundle.cmake signs
# inside out (each nested library and framework, then the app with its
# entitlements) and never with --deep, which applies one set of options to
# every nested item and only finds code where it expects it.
function(wendrel_signing_steps out bundle)
  set(${out} COMMAND "${CMAKE_COMMAND}" -DBUNDLE=${bundle} "-DIDENTITY=${WENDREL_CODESIGN_IDENTITY}"
    -DENTITLEMENTS=${PROJECT_SOURCE_DIR}/cmake/macos/Wendrel.entitlements
    -P "${PROJECT_SOURCE_DIR}/cmake/macos/sign_bundle.cmake" PARENT_SCOPE)
endfunction()

function(wendrel_make_bundle target)
  set_target_properties(${target} PROPERTIES
    MACOSX_BUNDLE TRUE
    OUTPUT_NAME Wendrel
    MACOSX_BUNDLE_INFO_PLIST ${PROJECT_SOURCE_DIR}/cmake/macos/Info.plist.in
    MACOSX_BUNDLE_BUNDLE_NAME Wendrel
    MACOSX_BUNDLE_GUI_IDENTIFIER ${WENDREL_BUNDLE_IDENTIFIER}
    MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
    MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION})

  # After each link; the signature covers the fresh executable.
  wendrel_signing_steps(signing "$<TARGET_BUNDLE_DIR:${target}>")
  add_custom_command(TARGET ${target} POST_BUILD
    ${signing}
    COMMENT "Signing Wendrel.app (${WENDREL_CODESIGN_IDENTITY})"
    VERBATIM)
endfunction()
