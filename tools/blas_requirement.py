"""The run-time dependency on the BLAS, for scikit-build-core's dynamic
metadata: the extension needs the scipy-openblas32 it was built against,
whose pin lives in pyproject.toml's build-system.requires."""

import tomllib

PACKAGE = "scipy-openblas32"


def dynamic_metadata(field, settings, project=None):
    assert field == "dependencies", field
    with open("pyproject.toml", "rb") as f:
        requires = tomllib.load(f)["build-system"]["requires"]
    return [r for r in requires if r.startswith(PACKAGE)]
