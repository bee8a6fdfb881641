# Finds the OpenCV modules the recogniser uses (core, imgproc, dnn) as
# imported targets OpenCV::core, OpenCV::imgproc and OpenCV::dnn. Debian
# ships a CMake package and a pkg-config file for OpenCV only with the whole
# of it (libopencv-dev); the modules' own -dev packages hold just the headers
# and libraries.
find_path(OpenCVModules_INCLUDE_DIR opencv2/dnn.hpp PATH_SUFFIXES opencv4)
set(_opencv_module_vars OpenCVModules_INCLUDE_DIR)
foreach(module core imgproc dnn)
  find_library(OpenCVModules_${module}_LIBRARY opencv_${module})
  list(APPEND _opencv_module_vars OpenCVModules_${module}_LIBRARY)
endforeach()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(OpenCVModules REQUIRED_VARS ${_opencv_module_vars})

if(OpenCVModules_FOUND)
  foreach(module core imgproc dnn)
    if(NOT TARGET OpenCV::${module})
      add_library(OpenCV::${module} UNKNOWN IMPORTED)
      set_target_properties(OpenCV::${module} PROPERTIES
        IMPORTED_LOCATION "${OpenCVModules_${module}_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${OpenCVModules_INCLUDE_DIR}")
    endif()
  endforeach()
endif()
