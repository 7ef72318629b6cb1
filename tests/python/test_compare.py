"""voxmill-cli compare against the same figures computed here with numpy."""
import math
import re

import numpy as np
import pytest

import voxmill


def box_means(v, w):
    """Means over every box of sides w (z, y, x) that fits, by its first corner."""
    s = np.zeros(tuple(n + 1 for n in v.shape))
    s[1:, 1:, 1:] = v.astype(np.float64).cumsum(0).cumsum(1).cumsum(2)
    a, b, c = w
    z1, y1, x1 = (slice(n, None) for n in w)
    z0, y0, x0 = (slice(None, len_ + 1 - n) for n, len_ in zip(w, v.shape))
    box = (s[z1, y1, x1] - s[z0, y1, x1] - s[z1, y0, x1] - s[z1, y1, x0]
           + s[z0, y0, x1] + s[z0, y1, x0] + s[z1, y0, x0] - s[z0, y0, x0])
    return box / (a * b * c)


def figures(a, b, mask=None):
    a64, b64 = a.astype(np.float64), b.astype(np.float64)
    d = b64 - a64
    m = np.ones(a.shape, bool) if mask is None else mask
    span = float(a.max() - a.min()) or 1.0
    rmse = math.sqrt(np.mean(d[m] ** 2))
    w = tuple(min(7, n) for n in a.shape)
    h = tuple(n // 2 for n in w)
    ma, mb = box_means(a64, w), box_means(b64, w)
    va, vb = box_means(a64 * a64, w) - ma ** 2, box_means(b64 * b64, w) - mb ** 2
    cov = box_means(a64 * b64, w) - ma * mb
    c1, c2 = (0.01 * span) ** 2, (0.03 * span) ** 2
    ssim = (2 * ma * mb + c1) * (2 * cov + c2) / ((ma ** 2 + mb ** 2 + c1) * (va + vb + c2))
    centres = m[h[0]:h[0] + ssim.shape[0], h[1]:h[1] + ssim.shape[1], h[2]:h[2] + ssim.shape[2]]
    return {
        "voxels": int(m.sum()),
        "RMSE": rmse,
        "MAE": float(np.mean(np.abs(d[m]))),
        "max abs error": float(np.max(np.abs(d[m]))),
        "mean bias": float(np.mean(d[m])),
        "PSNR": 20 * math.log10(span / rmse) if rmse > 0 else math.inf,
        "SSIM": float(np.mean(ssim[centres])),
    }


def parse(text):
    out = {}
    for line in text.splitlines():
        match = re.match(r"([A-Za-z ]+): ([-+0-9.eE]+|inf)", line)
        if match:
            out[match.group(1)] = float(match.group(2))
    return out


@pytest.fixture
def pair(tmp_path):
    rng = np.random.default_rng(20)
    z, y, x = np.mgrid[0:12, 0:10, 0:9]
    a = (0.2 * (((x - 4) ** 2 + (y - 5) ** 2 + (z - 6) ** 2) < 16)).astype(np.float32)
    b = (a + rng.normal(0, 0.02, a.shape)).astype(np.float32)
    b[:, :, 0] = 0  # outside a field of view the renderer leaves at 0
    voxmill.write_vol(tmp_path / "a.vol", a, (2.0, 2.0, 2.0))
    voxmill.write_vol(tmp_path / "b.vol", b, (2.0, 2.0, 2.0))
    return tmp_path, a, b


@pytest.mark.parametrize("fov", [False, True])
def test_figures_match_numpy(cli, pair, fov):
    folder, a, b = pair
    args = ["compare", folder / "a.vol", folder / "b.vol", "--diff", folder / "d.vol"] + (["--fov"] if fov else [])
    got = parse(cli(*args).stdout)
    want = figures(a, b, b != 0 if fov else None)
    assert got["voxels"] == want["voxels"]
    for key in ("RMSE", "MAE", "max abs error", "mean bias", "PSNR", "SSIM"):
        assert got[key] == pytest.approx(want[key], rel=1e-6, abs=1e-9), key
    diff, fields = voxmill.read_vol(folder / "d.vol")
    assert fields["voxels"] == (9, 10, 12)
    assert np.array_equal(diff, b - a)
    # A second run does not replace the difference without --force.
    assert cli(*args, check=False).returncode != 0


def test_ssim_of_a_volume_with_itself_and_its_negation(cli, pair):
    # Mostly flat and off zero (a flat window of zeros is its own negation;
    # an edge's contrast term turns positive under negation too).
    folder, _, _ = pair
    z, y, x = np.mgrid[0:20, 0:20, 0:20]
    a = (0.1 + 0.2 * (((x - 10) ** 2 + (y - 10) ** 2 + (z - 10) ** 2) < 9)).astype(np.float32)
    voxmill.write_vol(folder / "a.vol", a, (2.0, 2.0, 2.0))
    voxmill.write_vol(folder / "n.vol", -a, (2.0, 2.0, 2.0))
    same = parse(cli("compare", folder / "a.vol", folder / "a.vol").stdout)
    assert same["SSIM"] == 1.0 and same["RMSE"] == 0.0 and same["PSNR"] == math.inf
    negated = parse(cli("compare", folder / "a.vol", folder / "n.vol").stdout)
    assert negated["SSIM"] < 0
    assert negated["SSIM"] == pytest.approx(figures(a, -a)["SSIM"], rel=1e-6)


def test_grids_that_differ_are_refused(cli, pair):
    folder, a, _ = pair
    voxmill.write_vol(folder / "c.vol", a[:, :, :8], (2.0, 2.0, 2.0))
    done = cli("compare", folder / "a.vol", folder / "c.vol", check=False)
    assert done.returncode != 0 and "do not share one grid" in done.stderr


def test_a_phantom_is_voxelized_on_the_volumes_grid(cli, tmp_path, renderer):
    phantom = voxmill.shepp_logan()
    phantom.save(tmp_path / "head.pha")
    truth = voxmill.voxelize(phantom, voxels=(16, 16, 16), size=(2, 2, 2), renderer=renderer)[0]
    voxmill.write_vol(tmp_path / "t.vol", truth, (2.0, 2.0, 2.0))
    got = parse(cli("compare", tmp_path / "head.pha", tmp_path / "t.vol", "--renderer", renderer).stdout)
    assert got["RMSE"] == 0.0 and got["SSIM"] == 1.0


def test_slices_are_compared_as_images(cli, pair):
    folder, a, b = pair
    voxmill.write_slc(folder / "a.slc", a[6], (2.0, 2.0), "z", 0.0)
    voxmill.write_slc(folder / "b.slc", b[6], (2.0, 2.0), "z", 0.0)
    got = parse(cli("compare", folder / "a.slc", folder / "b.slc").stdout)
    want = figures(a[6:7], b[6:7])
    for key in ("voxels", "RMSE", "MAE", "max abs error", "mean bias", "PSNR", "SSIM"):
        assert got[key] == pytest.approx(want[key], rel=1e-6, abs=1e-9), key
    done = cli("compare", folder / "a.slc", folder / "b.vol", check=False)
    assert done.returncode != 0
