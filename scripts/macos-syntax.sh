#!/usr/bin/env bash
# Syntax check, on Linux, of every source that CMake builds on macOS: the
# macOS platform files, the portable libraries, and the tests and benchmarks
# added there, against a macOS SDK, with deprecation warnings on.
#
#   scripts/macos-syntax.sh SDK_ROOT [file ...]
#
# SDK_ROOT      a MacOSX.sdk folder (how to assemble one from public copies is
#               in the header of the shared macos_syntax.sh)
# file ...      only these (paths relative to the checkout); default: all
# MACOS_SYNTAX  the shared check (default ../shared/tools/macos_syntax.sh
#               beside the checkout)
#
# The third-party headers (ICU, nlohmann-json, GoogleTest, Google
# Benchmark) come from Debian's /usr/include through a folder of links, so
# that glibc's headers never replace the SDK's.
# Exit status: the number of files with errors.
set -u
project=$(cd "$(dirname "$0")/.." && pwd)
sdk=${1:?usage: $0 SDK_ROOT [file ...]}
shift
check=${MACOS_SYNTAX:-$project/../shared/tools/macos_syntax.sh}

third_party=$(mktemp -d)
no_qt=$(mktemp -d)
trap 'rm -rf "$third_party" "$no_qt"' EXIT
for dir in unicode nlohmann gtest gmock benchmark; do ln -s "/usr/include/$dir" "$third_party/$dir"; done
# The macOS build has no Qt: an empty Qt include root makes any Qt header an error.
export QT_INCLUDE=$no_qt

# What src/, tests/ and bench/ build when CMake runs on macOS.
files=(
  # the macOS platform layer, the window and the program's entry
  src/platform/macos/cf_text.cpp
  src/platform/macos/permissions_macos.cpp
  src/platform/macos/desktop_services_macos.cpp
  src/platform/macos/running_applications_appkit.mm
  src/platform/macos/sounds_appkit.mm
  src/platform/macos/named_colors_appkit.mm
  src/platform/macos/screen_capture_access_macos.mm
  src/platform/macos/pasteboard_appkit.mm
  src/platform/macos/settings_opener_appkit.mm
  src/platform/macos/main_window_appkit.mm
  src/app/main_appkit.mm
  src/accessibility/accessibility_reader_ax.cpp
  src/vision/window_capture_sck.mm
  src/vision/text_recognition_vision.mm
  # portable libraries
  src/platform/privacy_settings.cpp
  src/platform/utf16_text.cpp
  src/text/text_rules.cpp
  src/model/payload_writer.cpp
  src/model/route_model.cpp
  src/parser/amap_parser.cpp
  src/vision/vision_error.cpp
  src/vision/route_layout.cpp
  src/vision/window_choice.cpp
  src/vision/recognition_cleanup.cpp
  src/vision/line_reading.cpp
  src/vision/capture_steps.cpp
  src/vision/text_observations.cpp
  src/accessibility/accessibility_walk.cpp
  src/accessibility/ax_value_rules.cpp
  src/accessibility/ax_element.cpp
  src/app/route_summary.cpp
  src/app/wendrel_app.cpp
  src/app/main_thread_handoff.cpp
  src/app/recognition_guard.cpp
  src/app/window_elements.cpp
  src/app/system_readers.cpp
  src/tools/inspect.cpp
  src/tools/inspect_parse.cpp
  src/tools/inspect_blocks.cpp
  src/tools/inspect_summary.cpp
  src/tools/main.cpp
  tests/fixtures/standin_scenario.cpp
  # tests
  tests/text/text_rules_test.cpp
  tests/model/payload_test.cpp
  tests/model/decode_test.cpp
  tests/parser/recognizers_test.cpp
  tests/parser/endpoints_test.cpp
  tests/parser/block_parser_test.cpp
  tests/vision/route_layout_test.cpp
  tests/vision/route_layout_end_to_end_test.cpp
  tests/vision/recognition_support_test.cpp
  tests/vision/line_reading_test.cpp
  tests/vision/capture_steps_test.cpp
  tests/vision/recognition_vision_test.cpp
  tests/vision/panel_image_coretext.mm
  tests/accessibility/accessibility_walk_test.cpp
  tests/accessibility/ax_value_rules_test.cpp
  tests/accessibility/ax_element_test.cpp
  tests/platform/platform_portable_test.cpp
  tests/platform/cf_text_test.cpp
  tests/app/route_summary_tests.cpp
  tests/app/wendrel_app_tests.cpp
  tests/app/window_elements_tests.cpp
  tests/app/fake_services.cpp
  tests/app/fake_window.cpp
  tests/tools/inspect_parse_test.cpp
  tests/tools/inspect_layout_test.cpp
  tests/tools/inspect_summary_test.cpp
  tests/tools/inspect_utf8_test.cpp
  tests/fixtures/standin_scenario_test.cpp
  # benchmarks
  bench/parser_bench.cpp
  bench/route_layout_bench.cpp
)
[ $# -gt 0 ] && files=("$@")

EXTRA_FLAGS="-Wdeprecated-declarations -Wdeprecated -isystem $third_party -I$project/bench -I$project/tests -I$project/tests/fixtures ${EXTRA_FLAGS:-}" \
  "$check" "$sdk" "$project" "${files[@]}"
status=$?
cat <<'NOTE'
== Not covered: no Qt is in the macOS build (a Qt header is an error here), so
   no Qt deprecation can hide; but this check sees only what its SDK declares.
   Deprecations and availability added by a newer macOS SDK than the one
   assembled (AppKit and Foundation 14.2, Vision 12.0, ScreenCaptureKit 26)
   are not seen, and with that SDK's libc++ 16 std::from_chars and
   std::to_chars for double are missing (text_rules.cpp, payload_writer.cpp,
   route_summary.cpp): those errors are the SDK's, not the project's.
NOTE
exit "$status"
