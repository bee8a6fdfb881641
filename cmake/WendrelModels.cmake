# The text detector and recogniser, converted for OpenCV by
# scripts/setup-models.sh. They are data of the build, not sources: the build
# finds them in WENDREL_MODEL_DIR and installs them with the program.
set(WENDREL_MODEL_DIR "${PROJECT_SOURCE_DIR}/models" CACHE PATH
    "Directory of the converted text recognition models (made by scripts/setup-models.sh)")
set(_wendrel_models text_detector.onnx text_recognizer.onnx text_recognizer_keys.txt)
set(_wendrel_model_files "")
set(_wendrel_models_missing FALSE)
foreach(_model IN LISTS _wendrel_models)
  list(APPEND _wendrel_model_files "${WENDREL_MODEL_DIR}/${_model}")
  if(NOT EXISTS "${WENDREL_MODEL_DIR}/${_model}")
    set(_wendrel_models_missing TRUE)
  endif()
endforeach()
if(_wendrel_models_missing)
  message(FATAL_ERROR "The text recognition models are missing from ${WENDREL_MODEL_DIR}. "
                      "Run scripts/setup-models.sh (scripts/setup-debian.sh runs it too), "
                      "or point WENDREL_MODEL_DIR at the directory it made.")
endif()
install(FILES ${_wendrel_model_files} DESTINATION share/wendrel/models)
