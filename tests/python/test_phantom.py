"""Phantoms: the element form's ranges and errors, list, remove, files."""
import pytest

import voxmill


def test_new_phantom_elements_and_their_values():
    p = voxmill.Phantom()
    assert len(p) == 0 and p.elements == []
    assert p.add_ellipsoid(scale=(0.5, 0.25, 1), angles=(30, 0, 360), translation=(-1, 0.5, 1), mu=-2) == 0
    assert p.add_cylinder(mu=2) == 1
    assert p.add("ellipsoid") == 2
    e = p[0]
    assert e["kind"] == "ellipsoid"
    assert e["scale"] == pytest.approx((0.5, 0.25, 1))
    assert e["angles"] == pytest.approx((30, 0, 360))
    assert e["translation"] == pytest.approx((-1, 0.5, 1))
    assert e["mu"] == -2
    assert p[1]["kind"] == "cylinder" and p[-1]["kind"] == "ellipsoid"
    # The defaults of a new element.
    assert p[2] == {"kind": "ellipsoid", "scale": (1.0, 1.0, 1.0), "angles": (0.0, 0.0, 0.0),
                    "translation": (0.0, 0.0, 0.0), "mu": 1.0}


@pytest.mark.parametrize("field, value", [
    ("scale", (1.0001, 1, 1)), ("scale", (-0.1, 1, 1)),
    ("angles", (0, 360.5, 0)), ("angles", (-1, 0, 0)),
    ("translation", (0, 0, 1.01)), ("translation", (-1.5, 0, 0)),
    ("mu", 2.001), ("mu", -2.5),
])
def test_values_out_of_range_are_refused_and_leave_the_phantom(field, value):
    p = voxmill.shepp_logan()
    before = p.elements
    with pytest.raises(ValueError):
        p.add_cylinder(**{field: value})
    assert p.elements == before


def test_bad_kinds_and_indices():
    p = voxmill.Phantom()
    with pytest.raises(ValueError, match="unknown element kind"):
        p.add("cube")
    with pytest.raises(ValueError, match="three numbers"):
        p.add_ellipsoid(scale=(1, 1))
    with pytest.raises(IndexError):
        p.remove(0)
    with pytest.raises(IndexError):
        p[3]


def test_remove_and_file_round_trip(tmp_path):
    p = voxmill.shepp_logan()
    assert len(p) == 10
    third = p[3]
    p.remove(2)
    assert len(p) == 9 and p[2] == third
    p.save(tmp_path / "head.pha")
    q = voxmill.Phantom.load(tmp_path / "head.pha")
    assert q.elements == p.elements
    assert voxmill.read_pha(str(tmp_path / "head.pha")).elements == p.elements


def test_cli_edits_read_back(cli, tmp_path):
    path = tmp_path / "p.pha"
    cli("phantom", "new", path)
    cli("phantom", "add", path, "cylinder", "--scale", 0.5, 0.5, 0.25, "--angles", 90, 0, 0, "--mu", 0.75)
    p = voxmill.Phantom.load(path)
    assert p.elements == [{"kind": "cylinder", "scale": pytest.approx((0.5, 0.5, 0.25)),
                           "angles": pytest.approx((90, 0, 0)), "translation": (0.0, 0.0, 0.0), "mu": 0.75}]
    q = voxmill.Phantom()
    q.add_cylinder(scale=(0.5, 0.5, 0.25), angles=(90, 0, 0), mu=0.75)
    q.save(tmp_path / "q.pha")
    assert (tmp_path / "q.pha").read_bytes() == path.read_bytes()
