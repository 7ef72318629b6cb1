"""Readers and writers: round trips, and the CLI's files and exports."""
import numpy as np
import pytest

import voxmill
from conftest import same_bits


def test_projection_round_trip(tmp_path, small_scan):
    _, _, projections, geometry = small_scan
    voxmill.write_prj(tmp_path / "p.prj", projections[5], geometry, index=5)
    pixels, fields = voxmill.read_prj(tmp_path / "p.prj")
    assert same_bits(pixels, projections[5])
    assert fields["pixels"] == geometry.pixels
    assert np.array_equal(fields["source"], geometry.sources[5])
    assert np.array_equal(fields["center"], geometry.centers[5])
    assert np.array_equal(fields["horizontal"], geometry.horizontals[5])
    assert np.array_equal(fields["vertical"], geometry.verticals[5])
    assert fields["value_range"] == (projections[5].min(), projections[5].max())
    # The array owns the document's pixels: no copy was made.
    assert pixels.base is not None and not pixels.flags.owndata


@pytest.mark.parametrize("linked", [False, True])
def test_collection_round_trip(tmp_path, small_scan, linked):
    _, _, projections, geometry = small_scan
    voxmill.write_prs(tmp_path / "c.prs", projections, geometry, linked=linked)
    stored, fields = voxmill.read_prs(tmp_path / "c.prs")
    stored_geometry = fields["geometry"]
    assert same_bits(stored, projections)
    assert np.array_equal(stored_geometry.sources, geometry.sources)
    assert [m["linked"] for m in fields["members"]] == [linked] * len(projections)
    assert (tmp_path / "c.prs.0.PRJ").exists() == linked


def test_volume_and_slice_round_trips(tmp_path):
    rng = np.random.default_rng(7)
    voxels = rng.standard_normal((5, 4, 3), dtype=np.float32)
    voxmill.write_vol(tmp_path / "v.vol", voxels, (3.0, 2.0, 1.0))
    read, fields = voxmill.read_vol(tmp_path / "v.vol")
    assert same_bits(read, voxels)
    assert fields["voxels"] == (3, 4, 5) and fields["extents"] == (3.0, 2.0, 1.0)
    assert fields["pitches"] == (1.0, 0.5, 0.2)
    assert fields["first_centres"][0] == -1.0 and fields["last_centres"][0] == 1.0

    # A Z cut: slice s is layer k = s, pixel (c, r) voxel (c, r, s).
    slices, slice_fields = voxmill.slice_volume(tmp_path / "v.vol", "Z")
    assert same_bits(slices, voxels)
    assert slice_fields["size"] == (3.0, 2.0) and len(slice_fields["positions"]) == 5
    voxmill.write_slc(tmp_path / "s.slc", slices[2], slice_fields["size"], "z", slice_fields["positions"][2])
    pixels, fields = voxmill.read_slc(tmp_path / "s.slc")
    assert same_bits(pixels, slices[2])
    assert fields["axis"] == "z" and fields["position"] == slice_fields["positions"][2]
    assert fields["description"] == "Z = %+.3f" % slice_fields["positions"][2]


def test_other_dtypes_and_layouts_are_converted_once(tmp_path):
    voxels = np.arange(24, dtype=np.float64).reshape(2, 3, 4)
    voxmill.write_vol(tmp_path / "a.vol", voxels, (1, 1, 1))
    voxmill.write_vol(tmp_path / "b.vol", np.asfortranarray(voxels.astype(np.float32)), (1, 1, 1))
    assert same_bits(voxmill.read_vol(tmp_path / "a.vol")[0], voxels)
    assert (tmp_path / "a.vol").read_bytes() == (tmp_path / "b.vol").read_bytes()


@pytest.mark.parametrize("kind, source, options, cli_options", [
    ("raw", "scan.prs.3.PRJ", {}, []),
    ("bmp", "scan.prs.3.PRJ", {}, []),
    ("dicom", "scan.prs.3.PRJ", {}, []),
    ("sinogram", "scan.prs", {}, []),
    ("raw", "v.vol", {}, []),
    ("hdf", "v.vol", {}, []),
    ("bmp", "v.sls", {"index": 2}, ["--index", 2]),
    ("bmp", "v.sls", {"index": 1, "window": (300, 600)}, ["--index", 1, "--window", 300, 600]),
    ("png", "scan.prs.3.PRJ", {"colour_map": "perceptual"}, ["--map", "perceptual"]),
    ("png", "v.sls", {}, []),
    ("png", "v.sls", {"index": 2, "colour_map": "diverging", "value_window": (-0.5, 0.5)},
     ["--index", 2, "--map", "diverging", "--window", -0.5, 0.5]),
])
def test_exports_are_the_clis(cli, tmp_path, kind, source, options, cli_options):
    cli("phantom", "shepp-logan", tmp_path / "head.pha")
    cli("project", tmp_path / "head.pha", tmp_path / "scan.prs", "--pixels", 32, 32, "--steps", 4)
    cli("reconstruct", tmp_path / "head.pha", tmp_path / "v.vol", "--renderer", "Tessor", "--voxels", 8, 8, 8)
    cli("slice", tmp_path / "v.vol", "--axis", "x", tmp_path / "v.sls")
    cli("export", kind, tmp_path / source, tmp_path / "cli.out", *cli_options)
    voxmill.export(kind, tmp_path / source, tmp_path / "py.out", **options)
    cli_bytes, py_bytes = (tmp_path / "cli.out").read_bytes(), (tmp_path / "py.out").read_bytes()
    if kind == "dicom":
        # Instance UIDs and creation times differ from file to file.
        assert len(py_bytes) == len(cli_bytes) and py_bytes[-32 * 32 * 2:] == cli_bytes[-32 * 32 * 2:]
    elif kind == "hdf":
        assert len(py_bytes) == len(cli_bytes)
    else:
        assert py_bytes == cli_bytes


def test_every_slice_into_a_folder(tmp_path):
    voxmill.write_sls(tmp_path / "v.sls", np.ones((2, 3, 4), np.float32), "y", size=(1, 1, 1))
    voxmill.export("bmp", tmp_path / "v.sls", tmp_path / "all")
    assert sorted(p.name for p in (tmp_path / "all").iterdir()) == ["slice-000.bmp", "slice-001.bmp", "slice-002.bmp"]


def test_a_linked_collection_replaces_the_previous_one_whole(tmp_path, small_scan):
    _, _, projections, geometry = small_scan
    voxmill.write_prs(tmp_path / "c.prs", projections, geometry, linked=True)
    before = {p.name: p.read_bytes() for p in tmp_path.iterdir()}
    # The third member cannot be written: the members before it must not
    # have replaced the previous collection's.
    blocker = tmp_path / "c.prs.2.PRJ.voxmill-new"
    blocker.mkdir()
    with pytest.raises(OSError):
        voxmill.write_prs(tmp_path / "c.prs", projections * 2, geometry, linked=True)
    blocker.rmdir()
    assert {p.name: p.read_bytes() for p in tmp_path.iterdir()} == before


def test_png_pixels_are_the_maps_levels_and_colours(tmp_path):
    """Read back by matplotlib, against the maps computed here with numpy."""
    image = pytest.importorskip("matplotlib.image")
    values = (np.arange(24, dtype=np.float32).reshape(4, 6) - 8) / np.float32(10)  # -0.8 .. 1.5
    voxmill.write_slc(tmp_path / "s.slc", values, (1.0, 1.0), "z", 0.0)
    voxmill.export("png", tmp_path / "s.slc", tmp_path / "grey.png")
    voxmill.export("png", tmp_path / "s.slc", tmp_path / "div.png", colour_map="diverging")
    grey = np.rint(image.imread(tmp_path / "grey.png") * 255).astype(np.uint8)
    low, high = values.min(), values.max()
    levels = np.float32(255) / (high - low) * (values - low)
    assert grey.shape == (4, 6)
    assert np.array_equal(grey, np.where(levels >= 255, 255, levels).astype(np.uint8))
    div = np.rint(image.imread(tmp_path / "div.png") * 255).astype(np.int64)
    t = np.clip(values.astype(np.float64) / max(abs(low), abs(high)), -1, 1)[..., None]
    ends = np.where(t < 0, [33, 102, 172], [178, 24, 43])
    want = np.floor(255 + (ends - 255) * np.abs(t) + 0.5).astype(np.int64)
    assert div.shape == (4, 6, 3)
    assert np.array_equal(div, want)
    assert tuple(div[1, 2]) == (255, 255, 255)  # the value 0
    with pytest.raises(ValueError):
        voxmill.export("png", tmp_path / "s.slc", tmp_path / "x.png", colour_map="rainbow")
    with pytest.raises(ValueError):
        voxmill.export("bmp", tmp_path / "s.slc", tmp_path / "x.bmp", colour_map="diverging")
