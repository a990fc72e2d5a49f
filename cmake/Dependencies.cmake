# The Python interpreter: the one a Python build names, otherwise the
# project's own environment, where tools/setup.sh installs the build
# requirements.
if(NOT Python_EXECUTABLE AND EXISTS "${PROJECT_SOURCE_DIR}/.venv/bin/python")
  set(Python_EXECUTABLE "${PROJECT_SOURCE_DIR}/.venv/bin/python" CACHE FILEPATH "Python interpreter")
endif()
if(QUORLIB_BUILD_MODULE)
  find_package(Python 3.12 EXACT REQUIRED COMPONENTS Interpreter Development.Module)
else()
  find_package(Python REQUIRED COMPONENTS Interpreter)
endif()

# numpy's headers, for the companion module's calls that take and make
# arrays; numpy itself is imported only when such a call is first made.
if(QUORLIB_BUILD_MODULE)
  execute_process(
      COMMAND "${Python_EXECUTABLE}" -c "import numpy; print(numpy.get_include())"
      OUTPUT_VARIABLE QUORLIB_NUMPY_INCLUDE OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE _quorlib_numpy_result ERROR_QUIET)
  if(NOT _quorlib_numpy_result EQUAL 0)
    message(FATAL_ERROR "${Python_EXECUTABLE} has no numpy, whose headers the build needs; install the build "
                        "requirements of pyproject.toml (tools/setup.sh does)")
  endif()
endif()

# BLAS (CBLAS interface) and LAPACKE: the scipy-openblas32 package of that
# interpreter (pinned in pyproject.toml). Only the package's own CMake files
# are searched, so no other BLAS on the machine can stand in for it.
execute_process(
    COMMAND "${Python_EXECUTABLE}" -c "import scipy_openblas32; print(scipy_openblas32.get_lib_dir())"
    OUTPUT_VARIABLE QUORLIB_OPENBLAS_LIB_DIR OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE _quorlib_openblas_result ERROR_QUIET)
if(NOT _quorlib_openblas_result EQUAL 0)
  message(FATAL_ERROR "${Python_EXECUTABLE} has no scipy_openblas32; install the build requirements "
                      "of pyproject.toml (tools/setup.sh does) or point Python_EXECUTABLE at an "
                      "interpreter that has them")
endif()
set(QUORLIB_OPENBLAS_CMAKE_DIR "${QUORLIB_OPENBLAS_LIB_DIR}/cmake/openblas")
unset(OpenBLAS_DIR CACHE)  # found anew each time, so a changed environment counts
find_package(OpenBLAS CONFIG REQUIRED PATHS "${QUORLIB_OPENBLAS_CMAKE_DIR}" NO_DEFAULT_PATH)
# A package in the interpreter's own site-packages stays where it is; one in
# the throwaway environment of an isolated pip build does not.
file(REAL_PATH "${Python_SITELIB}" _quorlib_site)
cmake_path(IS_PREFIX _quorlib_site "${QUORLIB_OPENBLAS_LIB_DIR}" NORMALIZE QUORLIB_OPENBLAS_IN_SITE)
add_library(quorlib_blas INTERFACE)
add_library(quorlib::blas ALIAS quorlib_blas)
target_link_libraries(quorlib_blas INTERFACE OpenBLAS::OpenBLAS)

# Boost.Hana (header-only).
find_package(Boost 1.74 REQUIRED)

# ONNX Runtime: a release tree with lib/libonnxruntime.so. The part of its C
# interface the model wrapper uses is declared in src/types/OrtApi.hpp.
find_library(ONNXRUNTIME_LIBRARY onnxruntime PATHS "${ONNXRUNTIME_ROOT}/lib" NO_DEFAULT_PATH)
if(NOT ONNXRUNTIME_LIBRARY)
  message(FATAL_ERROR "ONNX Runtime not found under ONNXRUNTIME_ROOT=${ONNXRUNTIME_ROOT}; "
                      "run tools/setup.sh or point ONNXRUNTIME_ROOT at a release archive")
endif()
get_filename_component(ONNXRUNTIME_LIBRARY_DIR "${ONNXRUNTIME_LIBRARY}" DIRECTORY)
# The file the symlinks lead to is the one named by the library's soname.
file(REAL_PATH "${ONNXRUNTIME_LIBRARY}" ONNXRUNTIME_RUNTIME_FILE)
add_library(quorlib_onnxruntime INTERFACE)
add_library(quorlib::onnxruntime ALIAS quorlib_onnxruntime)
target_link_libraries(quorlib_onnxruntime INTERFACE "${ONNXRUNTIME_LIBRARY}")
