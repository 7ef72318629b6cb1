"""Slides and cines: .sld / .sds round trips, the CLI's files, failures."""
import math

import numpy as np
import pytest

import voxmill


def frames(n=3, rows=5, columns=7):
    return (np.arange(n * rows * columns, dtype=np.uint32).reshape(n, rows, columns) * 7 % 256).astype(np.uint8)


def test_slide_round_trip_and_the_cli_reads_it(tmp_path, cli):
    pixels = frames(1)[0]
    voxmill.write_sld(tmp_path / "s.sld", pixels, size=(2.0, 3.0))
    read, fields = voxmill.read_sld(tmp_path / "s.sld")
    assert read.dtype == np.uint8 and np.array_equal(read, pixels)
    assert fields["pixels"] == (7, 5) and fields["size"] == (2.0, 3.0)
    assert fields["value_range"] == (pixels.min(), pixels.max())
    assert "7 x 5 8-bit pixels, 2 x 3 units" in cli("info", tmp_path / "s.sld").stdout

    # The CLI's raw export is the slide's bytes, row by row.
    cli("export", "raw", tmp_path / "s.sld", tmp_path / "s.raw")
    assert (tmp_path / "s.raw").read_bytes() == pixels.tobytes()


@pytest.mark.parametrize("linked", [False, True])
def test_cine_round_trip_on_the_full_circle(tmp_path, cli, linked):
    cine = frames(4)
    voxmill.write_sds(tmp_path / "c.sds", cine, linked=linked)
    read, fields = voxmill.read_sds(tmp_path / "c.sds")
    assert np.array_equal(read, cine)
    assert fields["count"] == 4
    assert [s["linked"] for s in fields["slides"]] == [linked] * 4
    assert (tmp_path / "c.sds.1.SLD").exists() == linked
    # Slide 1 of 4 at 90 degrees: source (4, 0, 0), detector centre (-4, 0, 0).
    one = fields["slides"][1]
    assert np.allclose(one["source"], (4, 0, 0), atol=1e-9)
    assert np.allclose(one["center"], (-4, 0, 0), atol=1e-9)
    assert "slides: 4" in cli("info", tmp_path / "c.sds").stdout

    # The CLI's cine export is every frame's bytes back to back.
    cli("export", "cine", tmp_path / "c.sds", tmp_path / "c.raw")
    assert (tmp_path / "c.raw").read_bytes() == cine.tobytes()


def test_a_cine_made_by_the_cli_reads_back(tmp_path, cli):
    raw = np.arange(3 * 36, dtype=np.uint8)
    (tmp_path / "cine.raw").write_bytes(raw.tobytes())
    cli("cine", "import", tmp_path / "cine.raw", tmp_path / "c.sds", "--units", 3, "--type", "int8",
        "--pixels", 6, 6)
    read, fields = voxmill.read_sds(tmp_path / "c.sds")
    assert np.array_equal(read, raw.reshape(3, 6, 6))
    assert fields["slides"][2]["pixels"] == (6, 6)


def test_generated_projections_are_line_integrals(tmp_path, cli):
    # R = 255 over S = 0 gives ln 256; S = R gives 0.
    cine = np.zeros((2, 4, 4), dtype=np.uint8)
    cine[:, :, 2:] = 255
    voxmill.write_sds(tmp_path / "c.sds", cine)
    voxmill.write_sds(tmp_path / "r.sds", np.full((2, 4, 4), 255, dtype=np.uint8))
    cli("cine", "generate", tmp_path / "c.sds", tmp_path / "r.sds", tmp_path / "p.prs")
    projections, _ = voxmill.read_prs(tmp_path / "p.prs")
    assert projections.shape == (2, 4, 4)
    assert np.allclose(projections[:, :, :2], math.log(256), rtol=1e-6)
    assert np.all(projections[:, :, 2:] == 0)


def test_a_linked_cine_replaces_the_previous_one_whole(tmp_path):
    voxmill.write_sds(tmp_path / "c.sds", frames(3), linked=True)
    before = {p.name: p.read_bytes() for p in tmp_path.iterdir()}
    # A failed write (frames of no pixels) leaves the previous cine and its slides.
    with pytest.raises(ValueError):
        voxmill.write_sds(tmp_path / "c.sds", np.zeros((3, 0, 4), dtype=np.uint8), linked=True)
    assert {p.name: p.read_bytes() for p in tmp_path.iterdir()} == before
    voxmill.write_sds(tmp_path / "c.sds", 255 - frames(3), linked=True)
    read, _ = voxmill.read_sds(tmp_path / "c.sds")
    assert np.array_equal(read, 255 - frames(3))
    assert sorted(p.name for p in tmp_path.iterdir()) == ["c.sds", "c.sds.0.SLD", "c.sds.1.SLD", "c.sds.2.SLD"]


def test_bad_inputs_and_files(tmp_path):
    with pytest.raises(ValueError, match="uint8"):
        voxmill.write_sld(tmp_path / "s.sld", np.zeros((4, 4), dtype=np.float32))
    with pytest.raises(ValueError, match="2 dimensions"):
        voxmill.write_sld(tmp_path / "s.sld", frames())
    with pytest.raises(ValueError, match="greater than 0"):
        voxmill.write_sld(tmp_path / "s.sld", frames(1)[0], size=(0, 1))
    assert not (tmp_path / "s.sld").exists()
    with pytest.raises(FileNotFoundError):
        voxmill.read_sld(tmp_path / "missing.sld")
    (tmp_path / "bad.sds").write_bytes(b"\x00\x01\x02")
    with pytest.raises(ValueError, match="bad.sds"):
        voxmill.read_sds(tmp_path / "bad.sds")

    voxmill.write_sds(tmp_path / "c.sds", frames(2), linked=True)
    (tmp_path / "c.sds.1.SLD").unlink()
    with pytest.raises(FileNotFoundError, match="slide 1 is missing"):
        voxmill.read_sds(tmp_path / "c.sds")
