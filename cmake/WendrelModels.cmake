# The text detector and recogniser, converted for OpenCV by
# scripts/setup-models.sh. They are data of the build, not sources: the build
# finds them in WENDREL_MODEL_DIR and installs them with the program.
set(WENDREL_MODEL_DIR "${PROJECT_SOURCE_DIR}/models" CACHE PATH
    "Directory of the converted text recognition models (made by scripts/setup-models.sh)")
set(WENDREL_MODEL_FILES
    text_detector.onnx text_recognizer_320.onnx text_recognizer_640.onnx text_recognizer_960.onnx
    text_recognizer_keys.txt)
foreach(file ${WENDREL_MODEL_FILES})
  if(NOT EXISTS "${WENDREL_MODEL_DIR}/${file}")
    message(FATAL_ERROR "The text recognition model ${WENDREL_MODEL_DIR}/${file} is missing. "
                        "Run scripts/setup-models.sh (or scripts/setup-debian.sh) first, "
                        "or point WENDREL_MODEL_DIR at the directory it made.")
  endif()
  list(APPEND _wendrel_model_paths "${WENDREL_MODEL_DIR}/${file}")
endforeach()
install(FILES ${_wendrel_model_paths} DESTINATION share/wendrel/models)
