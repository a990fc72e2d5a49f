// Entry point of the quorlibcore extension: the model class, then the twelve
// container classes, then the operation functions, in that order.
#include <pybind11/pybind11.h>

#include "bind_containers.hpp"
#include "bind_model.hpp"
#include "bind_operations.hpp"

PYBIND11_MODULE(quorlibcore, m)
{
    quorlib_pybind::registerModel(m);
    quorlib_pybind::registerContainers(m);
    quorlib_pybind::registerOperations(m);
    // What users call in loops skips pybind11's dispatcher where the arguments
    // decide the call at a glance.
    quorlib_pybind::installContainerFastPaths();
    quorlib_pybind::fast::installModelFastPaths();
    quorlib_pybind::fast::installFunctions(m);
}
