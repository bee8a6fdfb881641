# The text detector and recogniser, converted for OpenCV by
# scripts/setup-models.sh. They are data of the build, not sources: the build
# finds them in WENDREL_MODEL_DIR and installs them with the program.
set(WENDREL_MODEL_DIR "${PROJECT_SOURCE_DIR}/models" CACHE PATH
    "Directory of the converted text recognition models (made by scripts/setup-models.sh)")
file(GLOB _wendrel_recognizers "${WENDREL_MODEL_DIR}/text_recognizer_*.onnx")
if(NOT EXISTS "${WENDREL_MODEL_DIR}/text_detector.onnx" OR NOT EXISTS "${WENDREL_MODEL_DIR}/text_recognizer_keys.txt"
   OR NOT _wendrel_recognizers)
  message(FATAL_ERROR "The text recognition models are missing from ${WENDREL_MODEL_DIR}. "
                      "Run scripts/setup-models.sh (scripts/setup-debian.sh runs it too), "
                      "or point WENDREL_MODEL_DIR at the directory it made.")
endif()
install(FILES "${WENDREL_MODEL_DIR}/text_detector.onnx" "${WENDREL_MODEL_DIR}/text_recognizer_keys.txt"
              ${_wendrel_recognizers}
        DESTINATION share/wendrel/models)
