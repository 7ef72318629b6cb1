#!/usr/bin/env python3
"""Shepp-Logan head: phantom -> projections -> Karvex and Tessor reconstructions.

Projects the 3-D Shepp-Logan head on a circular cone-beam scan, reconstructs
it with every renderer of the two that is registered, voxelizes the phantom
on the same grid, and saves a figure of the central slices across the
rotation axis (phantom, reconstruction, difference) with colour bars. Prints
the RMSE inside the field of view and the time of each step.

    PYTHONPATH=build/python python3 examples/shepp_logan.py [--out FIGURE.png]
"""
import argparse
import math
import time

import matplotlib

matplotlib.use("Agg")  # files only: no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import voxmill  # noqa: E402

RENDERERS = ("Karvex", "Tessor")


def timed(what, run):
    start = time.perf_counter()
    result = run()
    print(f"{what}: {time.perf_counter() - start:.2f} s")
    return result


def registered(renderer):
    """Whether the registry has that renderer (found by name as reconstruct finds it)."""
    try:
        voxmill.voxelize(voxmill.Phantom(), voxels=(1, 1, 1), size=(1, 1, 1), renderer=renderer)
    except ValueError:
        return False
    return True


def field_of_view(fields, ds, dd, detector_width):
    """Voxels whose x-z distance from the axis stays inside the scan's cone."""
    half_angle = math.atan(detector_width / 2 / (ds + dd))
    radius = ds * math.sin(half_angle)
    nx, _, nz = fields["voxels"]
    x = fields["first_centres"][0] + fields["pitches"][0] * np.arange(nx)
    z = fields["first_centres"][2] + fields["pitches"][2] * np.arange(nz)
    return (z[:, None] ** 2 + x[None, :] ** 2) < radius ** 2


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--out", default="shepp-logan.png", help="the PNG figure to write")
    parser.add_argument("--steps", type=int, default=180, help="snapshots over the full turn")
    parser.add_argument("--voxels", type=int, default=64, help="voxels along each axis")
    args = parser.parse_args()

    ds, dd, width = 4.0, 4.0, 8.0
    phantom = voxmill.shepp_logan()
    circle = voxmill.CircularGeometry(ds=ds, dd=dd, detector_size=(width, width), pixels=(128, 128),
                                      steps=args.steps)
    projections, geometry = timed(f"project {args.steps} x 128 x 128", lambda: voxmill.project(phantom, circle))

    grid = dict(voxels=(args.voxels,) * 3, size=(2.0, 2.0, 2.0))
    renderers = [name for name in RENDERERS if registered(name)]
    missing = [name for name in RENDERERS if name not in renderers]
    if missing:
        print(f"not registered, left out: {', '.join(missing)} (see voxmill-cli plugins register)")
    if not renderers:
        raise SystemExit("no renderer is registered")

    truth, fields = timed("voxelize", lambda: voxmill.voxelize(phantom, renderer=renderers[-1], **grid))
    inside = field_of_view(fields, ds, dd, width)
    centre = args.voxels // 2  # the x-z plane through the middle of the head

    figure, axes = plt.subplots(len(renderers), 3, figsize=(12, 4 * len(renderers)), squeeze=False)
    for row, name in zip(axes, renderers):
        volume, _ = timed(f"reconstruct with {name}",
                          lambda: voxmill.reconstruct(projections, geometry, renderer=name, **grid))
        difference = volume - truth
        rmse = float(np.sqrt(np.mean(difference[:, centre, :][inside] ** 2)))
        print(f"{name}: RMSE of the central slice inside the field of view {rmse:.4f}")
        panels = [(truth[:, centre, :], "phantom", "gray", (0, 1.05)),
                  (volume[:, centre, :], f"{name} reconstruction", "gray", (0, 1.05)),
                  (difference[:, centre, :], f"{name} - phantom (RMSE {rmse:.4f})", "coolwarm", (-0.3, 0.3))]
        for axis, (image, title, colours, limits) in zip(row, panels):
            # Row 0 of a z-by-x slice is z = -1: flip so +z is up.
            shown = axis.imshow(image, cmap=colours, vmin=limits[0], vmax=limits[1], origin="lower",
                                extent=(-1, 1, -1, 1))
            axis.set_title(title)
            axis.set_xlabel("x")
            axis.set_ylabel("z")
            figure.colorbar(shown, ax=axis, fraction=0.046)
    figure.suptitle(f"Shepp-Logan head, y = {fields['first_centres'][1] + centre * fields['pitches'][1]:+.3f}, "
                    f"{args.steps} projections, {args.voxels}^3 voxels")
    figure.tight_layout()
    figure.savefig(args.out, dpi=100)
    print(f"figure: {args.out}")


if __name__ == "__main__":
    main()
