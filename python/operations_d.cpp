// The module functions' overloads for the sample type double.
#include "bind_operations.hpp"

template void quorlib_pybind::registerOperationsOf<double>(pybind11::module_&);
