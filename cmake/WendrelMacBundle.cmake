# Wendrel.app: the program as a macOS application bundle with our own
# Info.plist, Qt deployed into it with macdeployqt, and an ad-hoc signature
# (codesign --sign -). The system keeps the Accessibility and Screen Recording
# grants per bundle identifier and signature, so the bundle is what the user
# grants them to.

set(WENDREL_BUNDLE_IDENTIFIER "org.wendrel.Wendrel" CACHE STRING "Bundle identifier of Wendrel.app")

function(wendrel_make_bundle target)
  set_target_properties(${target} PROPERTIES
    MACOSX_BUNDLE TRUE
    OUTPUT_NAME Wendrel
    MACOSX_BUNDLE_INFO_PLIST ${PROJECT_SOURCE_DIR}/cmake/macos/Info.plist.in
    MACOSX_BUNDLE_BUNDLE_NAME Wendrel
    MACOSX_BUNDLE_GUI_IDENTIFIER ${WENDREL_BUNDLE_IDENTIFIER}
    MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
    MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION})

  find_program(WENDREL_MACDEPLOYQT macdeployqt
    HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}" "${Qt6_DIR}/../../../bin"
    REQUIRED)
  # After each link: macdeployqt copies what is missing and points the fresh
  # executable at the bundle's frameworks; the signature covers the result.
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${WENDREL_MACDEPLOYQT}" "$<TARGET_BUNDLE_DIR:${target}>"
    COMMAND codesign --force --deep --sign - "$<TARGET_BUNDLE_DIR:${target}>"
    COMMENT "Deploying Qt into Wendrel.app and signing it ad hoc"
    VERBATIM)
endfunction()
