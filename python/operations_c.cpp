// The module functions' overloads for the sample type std::complex<float>.
#include "bind_operations.hpp"

template void quorlib_pybind::registerOperationsOf<std::complex<float>>(pybind11::module_&);
