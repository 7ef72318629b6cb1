"""Long runs: no copies in or out, progress, the GIL released, Ctrl-C."""
import os
import signal
import subprocess
import sys
import textwrap
import threading
import time

import numpy as np
import pytest

import voxmill
from conftest import same_bits


def test_arrays_handed_in_are_used_in_place(small_scan):
    _, _, projections, geometry = small_scan
    stack = voxmill.ProjectionStack(projections, geometry)
    assert np.shares_memory(stack.pixels, projections)
    assert stack.pixels.__array_interface__["data"][0] == projections.__array_interface__["data"][0]
    frozen = projections.copy()
    frozen.setflags(write=False)
    assert not voxmill.ProjectionStack(frozen, geometry).pixels.flags.writeable
    # Other dtypes and layouts are converted once, into memory of the stack's own.
    for converted in (projections.astype(np.float64), np.asfortranarray(projections)):
        other = voxmill.ProjectionStack(converted, geometry)
        assert not np.shares_memory(other.pixels, converted)
        assert same_bits(other.pixels, projections)
        assert same_bits(voxmill.reconstruct(other, voxels=(8, 8, 8), renderer="Tessor")[0],
                         voxmill.reconstruct(stack, voxels=(8, 8, 8), renderer="Tessor")[0])


def test_volumes_handed_out_own_the_buffer(small_scan, renderer):
    _, _, projections, geometry = small_scan
    voxels, _ = voxmill.reconstruct(projections, geometry, voxels=(8, 6, 4), renderer=renderer)
    assert not voxels.flags.owndata and voxels.flags.c_contiguous and voxels.flags.writeable
    assert type(voxels.base).__name__ == "PyCapsule"
    again, _ = voxmill.reconstruct(projections, geometry, voxels=(8, 6, 4), renderer=renderer)
    assert not np.shares_memory(voxels, again)


MEMORY_SCRIPT = textwrap.dedent("""
    import os, sys, numpy as np, voxmill
    def rss_kib(field):
        with open("/proc/self/status") as f:
            return next(int(l.split()[1]) for l in f if l.startswith(field + ":"))
    def restart_peak():
        with open("/proc/self/clear_refs", "w") as f:
            f.write("5")
        return rss_kib("VmRSS")
    renderer = sys.argv[1]
    circle = voxmill.CircularGeometry(pixels=(64, 64), steps=8)
    projections, geometry = voxmill.project(voxmill.shepp_logan(), circle)
    voxmill.reconstruct(projections, geometry, voxels=(8, 8, 8), renderer=renderer)
    before = restart_peak()
    big, _ = voxmill.project(voxmill.shepp_logan(), voxmill.CircularGeometry(pixels=(256, 256), steps=32))
    print(before, rss_kib("VmHWM"), big.nbytes // 1024)
    del big
    before = restart_peak()
    voxels, _ = voxmill.reconstruct(projections, geometry, voxels=(256, 256, 256), size=(2, 2, 2),
                                    renderer=renderer)
    peak = rss_kib("VmHWM")
    voxels += 1  # pages a renderer left at zero were never resident
    held = rss_kib("VmRSS")
    del voxels
    after = rss_kib("VmRSS")
    print(before, peak, held, after)
""")


def test_projections_and_a_256_cube_are_never_held_twice(renderer):
    done = subprocess.run([sys.executable, "-c", MEMORY_SCRIPT, renderer], capture_output=True, text=True,
                          env=os.environ.copy())
    assert done.returncode == 0, done.stderr
    projected, volume = done.stdout.splitlines()
    before, peak, stack_kib = map(int, projected.split())
    assert peak - before < 1.5 * stack_kib, (before, peak, stack_kib)
    before, peak, held, after = map(int, volume.split())
    volume_kib = 256 ** 3 * 4 // 1024
    assert peak - before < 1.5 * volume_kib, (before, peak)
    assert held - before > 0.9 * volume_kib  # the volume is really there
    assert held - after > 0.9 * volume_kib  # and goes with its last array


def phases(calls):
    """The calls split where a new progress run starts: each must count 1, 2, ... count."""
    runs = []
    for step, count, caption in calls:
        if step == 1:
            runs.append([])
        assert runs, calls
        runs[-1].append((step, count, caption))
    for run in runs:
        count, caption = run[0][1], run[0][2]
        assert run == [(k, count, caption) for k in range(1, count + 1)], run
        assert caption
    return [(run[0][1], run[0][2]) for run in runs]


def test_progress_is_called_once_per_step(small_scan, renderer):
    phantom, circle, projections, geometry = small_scan
    calls = []
    voxmill.project(phantom, circle, progress=lambda *step: calls.append(step))
    assert calls == [(k, 12, "Projecting...") for k in range(1, 13)]
    calls.clear()
    voxmill.reconstruct(projections, geometry, voxels=(8, 8, 8), renderer=renderer,
                        progress=lambda *step: calls.append(step))
    runs = phases(calls)
    calls.clear()
    voxmill.voxelize(phantom, voxels=(8, 8, 8), renderer=renderer, progress=lambda *step: calls.append(step))
    synthesis = phases(calls)
    if renderer == "Tessor":
        assert runs == [(12, "Backprojecting...")] and synthesis == [(10, "Sinthetizing...")]
    else:
        # Another renderer counts its own steps (pairs of projections, say).
        assert runs and synthesis


def test_a_second_thread_runs_python_meanwhile(renderer):
    circle = voxmill.CircularGeometry(pixels=(64, 64), steps=48)
    projections, geometry = voxmill.project(voxmill.shepp_logan(), circle)
    ticks = []
    stop = threading.Event()

    def count():
        while not stop.is_set():
            ticks.append(time.perf_counter())

    worker = threading.Thread(target=count)
    worker.start()
    try:
        start = time.perf_counter()
        voxmill.reconstruct(projections, geometry, voxels=(160, 160, 160), renderer=renderer)
        end = time.perf_counter()
    finally:
        stop.set()
        worker.join()
    # With the GIL held the counter would stand still for the whole call.
    margin = (end - start) / 5
    middle = [t for t in ticks if start + margin < t < end - margin]
    assert len(middle) > 100, (end - start, len(middle))


def test_runs_in_two_threads_at_once_match_one_after_the_other(small_scan, renderer):
    phantom, circle, projections, geometry = small_scan
    alone = [voxmill.reconstruct(projections, geometry, voxels=(16, 16, 16), renderer=renderer)[0],
             voxmill.project(phantom, circle, rays=5)[0]]
    together = [None, None]

    def reconstruct():
        together[0] = voxmill.reconstruct(projections, geometry, voxels=(16, 16, 16), renderer=renderer)[0]

    def project():
        together[1] = voxmill.project(phantom, circle, rays=5)[0]

    workers = [threading.Thread(target=reconstruct), threading.Thread(target=project)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    assert same_bits(together[0], alone[0]) and same_bits(together[1], alone[1])


def interrupt_at(step):
    def progress(k, count, caption):
        if k == step:
            os.kill(os.getpid(), signal.SIGINT)
    return progress


@pytest.mark.skipif(threading.current_thread() is not threading.main_thread(), reason="signals need the main thread")
def test_ctrl_c_stops_at_the_next_step_and_writes_nothing(tmp_path, small_scan, renderer):
    phantom, circle, projections, geometry = small_scan
    seen = []

    def progress(k, count, caption):
        seen.append(k)
        interrupt_at(3)(k, count, caption)

    with pytest.raises(KeyboardInterrupt):
        voxmill.project(phantom, circle, progress=progress)
    assert seen == [1, 2, 3]

    out = tmp_path / "v.vol"
    seen.clear()
    with pytest.raises(KeyboardInterrupt):
        voxmill.reconstruct(projections, geometry, voxels=(8, 8, 8), renderer=renderer, progress=progress, out=out)
    # No step after the one that was interrupted.
    assert seen[-1] == 3 and seen.count(3) == 1 and not out.exists()

    # A file already there stays as it was; the module still works afterwards.
    voxmill.write_vol(out, np.ones((2, 2, 2), np.float32), (1, 1, 1))
    before = out.read_bytes()
    with pytest.raises(KeyboardInterrupt):
        voxmill.voxelize(phantom, voxels=(8, 8, 8), renderer=renderer, progress=interrupt_at(2), out=out)
    assert out.read_bytes() == before
    voxels, _ = voxmill.reconstruct(projections, geometry, voxels=(8, 8, 8), renderer=renderer, out=out)
    assert same_bits(voxmill.read_vol(out)[0], voxels)


def test_an_exception_in_progress_ends_the_run(small_scan, renderer):
    phantom, _, projections, geometry = small_scan

    def progress(k, count, caption):
        if k == 2:
            raise ZeroDivisionError("stop here")

    with pytest.raises(ZeroDivisionError, match="stop here"):
        voxmill.reconstruct(projections, geometry, voxels=(8, 8, 8), renderer=renderer, progress=progress)
