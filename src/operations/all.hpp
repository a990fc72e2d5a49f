#pragma once
// Every operation family, for code that wants them all.
#include "operations/axpy.hpp"
#include "operations/copy.hpp"
#include "operations/dot.hpp"
#include "operations/gemm.hpp"
#include "operations/gemv.hpp"
#include "operations/ls.hpp"
#include "operations/matmul.hpp"
#include "operations/matvec.hpp"
#include "operations/scale.hpp"
#include "operations/show.hpp"
#include "operations/sum.hpp"
#include "operations/swap.hpp"
