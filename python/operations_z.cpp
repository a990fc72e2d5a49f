// The module functions' overloads for the sample type std::complex<double>.
#include "bind_operations.hpp"

template void quorlib_pybind::registerOperationsOf<std::complex<double>>(pybind11::module_&);
