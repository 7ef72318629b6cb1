"""Every failure is a Python exception carrying the core's message."""
import numpy as np
import pytest

import voxmill

READERS = [
    ("pha", voxmill.read_pha),
    ("prj", voxmill.read_prj),
    ("prs", voxmill.read_prs),
    ("vol", voxmill.read_vol),
    ("slc", voxmill.read_slc),
    ("sls", voxmill.read_sls),
]


def write_documents(folder, scan):
    """One valid file of every kind in `folder`, by extension."""
    phantom, _, projections, geometry = scan
    phantom.save(folder / "a.pha")
    voxmill.write_prj(folder / "a.prj", projections[0], geometry)
    voxmill.write_prs(folder / "a.prs", projections[:3], voxmill.ProjectionGeometry(
        geometry.sources[:3], geometry.centers[:3], geometry.horizontals[:3], geometry.verticals[:3],
        geometry.detector_sizes[:3], geometry.pixels))
    voxels = np.linspace(0, 1, 4 * 5 * 6, dtype=np.float32).reshape(4, 5, 6)
    voxmill.write_vol(folder / "a.vol", voxels, (1, 1, 1))
    voxmill.write_slc(folder / "a.slc", voxels[0], (1, 1), "z", 0.25)
    voxmill.write_sls(folder / "a.sls", voxels, "x", size=(1, 1, 1))


@pytest.mark.parametrize("ext, read", READERS)
def test_missing_file_is_file_not_found(tmp_path, ext, read):
    path = tmp_path / f"none.{ext}"
    with pytest.raises(FileNotFoundError) as error:
        read(path)
    assert error.value.filename == str(path) and str(path) in str(error.value)


@pytest.mark.parametrize("ext, read", READERS)
def test_malformed_files_are_value_errors_naming_the_file(tmp_path, small_scan, ext, read):
    write_documents(tmp_path, small_scan)
    data = (tmp_path / f"a.{ext}").read_bytes()
    read(tmp_path / f"a.{ext}")
    bad = tmp_path / f"bad.{ext}"
    # Every cut of the first bytes, then a stretch of cuts further on.
    for length in list(range(0, 64)) + list(range(64, len(data), max(1, len(data) // 97))):
        bad.write_bytes(data[:length])
        with pytest.raises(ValueError) as error:
            read(bad)
        assert str(bad) in str(error.value), str(error.value)
    bad.write_bytes(b"this is no voxmill document\n" * 4)
    with pytest.raises(ValueError, match=str(bad)):
        read(bad)


def test_missing_collection_to_reconstruct(tmp_path):
    with pytest.raises(FileNotFoundError) as error:
        voxmill.reconstruct(tmp_path / "none.prs", renderer="Tessor", out=tmp_path / "v.vol")
    assert error.value.filename == str(tmp_path / "none.prs") and not (tmp_path / "v.vol").exists()


def test_missing_linked_member(tmp_path, small_scan):
    _, _, projections, geometry = small_scan
    voxmill.write_prs(tmp_path / "c.prs", projections, geometry, linked=True)
    (tmp_path / "c.prs.4.PRJ").unlink()
    with pytest.raises(FileNotFoundError, match="c.prs.4.PRJ") as error:
        voxmill.read_prs(tmp_path / "c.prs")
    assert error.value.filename.endswith("c.prs.4.PRJ")


def test_renderer_failure_names_the_result_code(small_scan):
    _, _, projections, geometry = small_scan
    # A source on the rotation axis gives no cone: the renderer refuses it.
    nowhere = voxmill.ProjectionGeometry(np.zeros_like(geometry.sources), geometry.centers, geometry.horizontals,
                                         geometry.verticals, (4, 4), geometry.pixels)
    with pytest.raises(RuntimeError, match=r"E_INVALIDARG \(0x80070057\)"):
        voxmill.reconstruct(projections, nowhere, voxels=(8, 8, 8), renderer="Tessor")


def test_bad_arguments_are_value_errors(tmp_path, small_scan):
    phantom, circle, projections, geometry = small_scan
    with pytest.raises(ValueError, match="NoSuchRenderer"):
        voxmill.reconstruct(projections, geometry, renderer="NoSuchRenderer")
    with pytest.raises(ValueError, match="NoSuchOption"):
        voxmill.reconstruct(projections, geometry, renderer="Tessor", NoSuchOption=1)
    with pytest.raises(ValueError, match="geometry"):
        voxmill.reconstruct(projections, renderer="Tessor")
    with pytest.raises(ValueError, match="12 projections, the array 11"):
        voxmill.reconstruct(projections[1:], geometry, renderer="Tessor")
    with pytest.raises(ValueError, match="dimensions"):
        voxmill.reconstruct(projections[0], geometry, renderer="Tessor")
    with pytest.raises(ValueError, match="voxels"):
        voxmill.reconstruct(projections, geometry, voxels=(8, 0, 8), renderer="Tessor")
    with pytest.raises(ValueError, match="size"):
        voxmill.reconstruct(projections, geometry, size=(1, -1, 1), renderer="Tessor")
    with pytest.raises(MemoryError, match="100000 x 100000 x 100000 voxels"):
        voxmill.reconstruct(projections, geometry, voxels=(100000,) * 3, renderer="Tessor")
    with pytest.raises(ValueError):
        voxmill.CircularGeometry(pixels=(16, 64))
    with pytest.raises(ValueError):
        voxmill.CircularGeometry(start=10, end=10.5)
    with pytest.raises(ValueError, match="Step number must be between 1 and 720"):
        voxmill.CircularGeometry(steps=721)
    with pytest.raises(ValueError, match="rays"):
        voxmill.project(phantom, circle, rays=3)
    with pytest.raises(ValueError, match="'w'"):
        voxmill.slice_volume(np.zeros((2, 2, 2), np.float32), "w", size=(1, 1, 1))
    with pytest.raises(ValueError, match="cannot export"):
        voxmill.export("hdf", tmp_path / "a.prj", tmp_path / "out")
    with pytest.raises(TypeError):
        voxmill.project(phantom, circle, progress=42)


def test_unwritable_destination_is_an_os_error_and_keeps_the_old_file(tmp_path):
    target = tmp_path / "keep.vol"
    voxmill.write_vol(target, np.ones((2, 2, 2), np.float32), (1, 1, 1))
    before = target.read_bytes()
    with pytest.raises(OSError):
        voxmill.write_vol(tmp_path / "no-such-folder" / "v.vol", np.ones((2, 2, 2), np.float32), (1, 1, 1))
    with pytest.raises(ValueError):
        voxmill.write_vol(target, np.ones((2, 2, 2), np.float32), (1, 0, 1))
    assert target.read_bytes() == before


def test_exports_and_plugins_fail_cleanly(tmp_path):
    with pytest.raises(FileNotFoundError, match="none.vol"):
        voxmill.export("raw", tmp_path / "none.vol", tmp_path / "out.raw")
    with pytest.raises(ValueError, match="no export of .txt files"):
        voxmill.export("raw", tmp_path / "a.txt", tmp_path / "out.raw")
    with pytest.raises(FileNotFoundError):
        voxmill.register_plugin(tmp_path / "libnone.so")
    (tmp_path / "libjunk.so").write_bytes(b"not a shared library")
    with pytest.raises(RuntimeError, match="libjunk.so"):
        voxmill.register_plugin(tmp_path / "libjunk.so")
    tessor = [p for p in voxmill.plugins() if "Tessor" in p["name"]]
    assert len(tessor) == 1 and tessor[0]["module"].endswith("libtessor.so")
    assert tessor[0]["clsid"].startswith("{") and tessor[0]["clsid"].endswith("}")
