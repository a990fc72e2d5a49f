"""Sizes at LAPACK's integer limit, which need memory the default suite does
not take: `make test-big` runs them (about 9 GiB)."""
import quorlibcore as q

import pytest


def test_ls_refuses_a_matrix_whose_element_count_passes_the_lapack_integer():
    rows, cols = 64, 2**25 + 1  # each fits a 32-bit integer, rows * cols does not
    A, b = q.mats(rows, cols), q.vecs(cols)
    A[0, 0], A[rows - 1, cols - 1], b[0], b[cols - 1] = 1.0, 2.0, 3.0, 4.0
    with pytest.raises(RuntimeError, match="element count of A 2147483712 exceeds the largest BLAS integer"):
        q.ls(A, b)
    assert (A[0, 0], A[rows - 1, cols - 1], b[0], b[cols - 1]) == (1.0, 2.0, 3.0, 4.0)
