# BLAS (CBLAS interface) and LAPACKE.
find_package(PkgConfig REQUIRED)
pkg_check_modules(OPENBLAS REQUIRED IMPORTED_TARGET openblas)
find_path(LAPACKE_INCLUDE_DIR lapacke.h REQUIRED)
find_library(LAPACKE_LIBRARY lapacke REQUIRED)
add_library(quorlib_blas INTERFACE)
add_library(quorlib::blas ALIAS quorlib_blas)
target_include_directories(quorlib_blas INTERFACE ${LAPACKE_INCLUDE_DIR})
target_link_libraries(quorlib_blas INTERFACE ${LAPACKE_LIBRARY} PkgConfig::OPENBLAS)

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
