# Where the module, the headless driver and the resources are: set by the test suite
# (tests/python/CMakeLists.txt), or by hand:
#   PYTHONPATH=build/python STEERING_BIN_DIR=build/bin /usr/bin/python3 -m pytest tests/python
import os
import pathlib

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]


@pytest.fixture(scope="session")
def resources():
    return pathlib.Path(os.environ.get("STEERING_RESOURCE_DIR", ROOT / "resources")).resolve()


@pytest.fixture(scope="session")
def headless():
    path = pathlib.Path(os.environ.get("STEERING_BIN_DIR", ROOT / "build" / "bin")) / "steering_headless"
    path = path.resolve()
    if not path.exists():
        pytest.fail(f"{path} is not built")
    return path
