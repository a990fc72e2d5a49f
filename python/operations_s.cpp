// The module functions' overloads for the sample type float.
#include "bind_operations.hpp"

template void quorlib_pybind::registerOperationsOf<float>(pybind11::module_&);
