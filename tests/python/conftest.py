"""Shared fixtures: a private renderer registry, the CLI, small scans."""
import os
import subprocess
import tempfile

import numpy as np
import pytest

# The registry must be chosen before the module reads it.
_REGISTRY_DIR = tempfile.TemporaryDirectory(prefix="voxmill-pytest-")
os.environ["VOXMILL_REGISTRY"] = os.path.join(_REGISTRY_DIR.name, "registry.ini")

import voxmill  # noqa: E402

for _module in filter(None, os.environ.get("VOXMILL_TEST_RENDERER_MODULES", "").split(":")):
    voxmill.register_plugin(_module)

RENDERERS = ["Tessor", "Karvex"]


def renderer_available(name):
    try:
        voxmill.voxelize(voxmill.Phantom(), voxels=(1, 1, 1), size=(1, 1, 1), renderer=name)
    except (ValueError, RuntimeError):
        return False
    return True


@pytest.fixture(params=RENDERERS)
def renderer(request):
    """Each registered renderer by name; one that is not registered is skipped."""
    if not renderer_available(request.param):
        pytest.skip(f"renderer {request.param} is not registered")
    return request.param


@pytest.fixture
def cli():
    """Runs voxmill-cli with the same registry; returns its completed process."""
    path = os.environ.get("VOXMILL_CLI")
    if not path:
        pytest.skip("VOXMILL_CLI is not set")

    def run(*args, check=True):
        done = subprocess.run([path, *map(str, args)], capture_output=True, text=True)
        if check and done.returncode != 0:
            raise AssertionError(f"voxmill-cli {' '.join(map(str, args))} failed:\n{done.stderr}")
        return done

    return run


@pytest.fixture
def small_scan():
    """The Shepp-Logan head on a short scan: (phantom, circle, projections, geometry)."""
    phantom = voxmill.shepp_logan()
    circle = voxmill.CircularGeometry(ds=4, dd=4, detector_size=(4, 4), pixels=(32, 40), steps=12)
    projections, geometry = voxmill.project(phantom, circle)
    return phantom, circle, projections, geometry


def same_bits(a, b):
    """Equal shapes and identical float32 bit patterns (NaNs included)."""
    a = np.ascontiguousarray(a, dtype=np.float32)
    b = np.ascontiguousarray(b, dtype=np.float32)
    return a.shape == b.shape and np.array_equal(a.view(np.uint32), b.view(np.uint32))
