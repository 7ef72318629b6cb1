"""The whole road in Python gives what voxmill-cli writes, bit for bit."""
import numpy as np
import pytest

import voxmill
from conftest import same_bits

PIXELS = (32, 40)
STEPS = 12
VOXELS = (24, 20, 16)
SIZE = (2.0, 1.5, 1.8)


def cli_scan(cli, folder, *extra):
    cli("phantom", "shepp-logan", folder / "head.pha")
    cli("project", folder / "head.pha", folder / "scan.prs", "--pixels", *PIXELS, "--steps", STEPS, *extra)
    return folder / "head.pha", folder / "scan.prs"


def test_phantom_file_is_the_clis(cli, tmp_path):
    cli("phantom", "shepp-logan", tmp_path / "cli.pha")
    voxmill.shepp_logan().save(tmp_path / "py.pha")
    assert (tmp_path / "py.pha").read_bytes() == (tmp_path / "cli.pha").read_bytes()


@pytest.mark.parametrize("rays, extra", [(1, ()), (5, ("--five-rays", "--threads", 3))])
def test_projections_are_the_clis(cli, tmp_path, rays, extra):
    pha, prs = cli_scan(cli, tmp_path, *extra)
    circle = voxmill.CircularGeometry(pixels=PIXELS, steps=STEPS)
    projections, geometry = voxmill.project(voxmill.Phantom.load(pha), circle, rays=rays, threads=2)
    assert projections.shape == (STEPS, PIXELS[1], PIXELS[0]) and projections.dtype == np.float32
    stored, fields = voxmill.read_prs(prs)
    stored_geometry = fields["geometry"]
    assert same_bits(projections, stored)
    assert fields["count"] == STEPS and all(m["linked"] for m in fields["members"])
    planned = circle.projection_geometry()
    for name in ("sources", "centers", "horizontals", "verticals", "detector_sizes"):
        assert np.array_equal(getattr(geometry, name), getattr(stored_geometry, name)), name
        assert np.array_equal(getattr(geometry, name), getattr(planned, name)), name
    assert geometry.pixels == stored_geometry.pixels == PIXELS


def test_reconstruction_is_the_clis(cli, tmp_path, renderer):
    _, prs = cli_scan(cli, tmp_path)
    cli("reconstruct", prs, tmp_path / "cli.vol", "--renderer", renderer, "--voxels", *VOXELS, "--volume-size", *SIZE)
    projections, fields = voxmill.read_prs(prs)
    geometry = fields["geometry"]
    voxels, fields = voxmill.reconstruct(projections, geometry, voxels=VOXELS, size=SIZE, renderer=renderer,
                                         out=tmp_path / "py.vol")
    assert voxels.shape == (VOXELS[2], VOXELS[1], VOXELS[0])
    assert fields["extents"] == SIZE and fields["voxels"] == VOXELS
    assert (tmp_path / "py.vol").read_bytes() == (tmp_path / "cli.vol").read_bytes()
    stored, _ = voxmill.read_vol(tmp_path / "cli.vol")
    assert same_bits(voxels, stored)
    # The .prs itself, and the circle instead of the per-projection geometry.
    from_file, _ = voxmill.reconstruct(str(prs), voxels=VOXELS, size=SIZE, renderer=renderer)
    from_circle, _ = voxmill.reconstruct(projections, voxmill.CircularGeometry(pixels=PIXELS, steps=STEPS),
                                         voxels=VOXELS, size=SIZE, renderer=renderer)
    assert same_bits(from_file, stored) and same_bits(from_circle, stored)
    assert np.isfinite(voxels).all() and voxels.max() > 0.5


@pytest.mark.parametrize("collection_mode", [False, True])
def test_renderer_options_are_the_clis(cli, tmp_path, collection_mode):
    _, prs = cli_scan(cli, tmp_path)
    cli("reconstruct", prs, tmp_path / "cli.vol", "--renderer", "Tessor", "--voxels", *VOXELS,
        "--volume-size", *SIZE, "--option", f"IsProcessCollection={int(collection_mode)}")
    voxels, _ = voxmill.reconstruct(str(prs), voxels=VOXELS, size=SIZE, renderer="Tessor",
                                    IsProcessCollection=collection_mode)
    assert same_bits(voxels, voxmill.read_vol(tmp_path / "cli.vol")[0])


def test_voxelization_and_slices_are_the_clis(cli, tmp_path, renderer):
    pha, _ = cli_scan(cli, tmp_path)
    cli("reconstruct", pha, tmp_path / "cli.vol", "--renderer", renderer, "--voxels", *VOXELS, "--volume-size", *SIZE)
    voxels, fields = voxmill.voxelize(voxmill.Phantom.load(pha), voxels=VOXELS, size=SIZE, renderer=renderer,
                                      out=tmp_path / "py.vol")
    assert (tmp_path / "py.vol").read_bytes() == (tmp_path / "cli.vol").read_bytes()
    # The brain of the head samples 1.0 - 0.8 at the centre.
    assert voxels[VOXELS[2] // 2, VOXELS[1] // 2, VOXELS[0] // 2] == pytest.approx(0.2, abs=1e-6)

    cli("slice", tmp_path / "cli.vol", "--axis", "y", tmp_path / "cli.sls")
    voxmill.write_sls(tmp_path / "py.sls", voxels, "y", size=fields["extents"])
    assert (tmp_path / "py.sls").read_bytes() == (tmp_path / "cli.sls").read_bytes()
    slices, slice_fields = voxmill.read_sls(tmp_path / "cli.sls")
    # A Y cut: slice s is layer j = s, pixel (c, r) voxel (c, s, r).
    assert slices.shape == (VOXELS[1], VOXELS[2], VOXELS[0])
    assert same_bits(slices, np.transpose(voxels, (1, 0, 2)))
    assert slice_fields["axis"] == "y" and slice_fields["positions"][0] == pytest.approx(fields["last_centres"][1])
