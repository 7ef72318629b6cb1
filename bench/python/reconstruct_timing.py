#!/usr/bin/env python3
"""Times voxmill.reconstruct against voxmill-cli reconstruct on one case.

The case is bench_tessor's: the Shepp-Logan head projected by the projector
on the default circle (Ds = Dd = 4, a 4 x 4 detector) with N snapshots of
S x S pixels, reconstructed into S^3 voxels of a 2-unit cube. The
collection is kept in place, so the CLI has every projection in memory
before it starts, as the module has. The CLI's
compute time (wall and CPU) is the span from its first progress line to
its "Average time" line on stderr (after loading the .prs, before saving the .vol); the
module's is the whole reconstruct() call on arrays already in memory, so
any copy or conversion on the way in or out counts against it. (The
CLI's span leaves out the renderer's set-up before its first step and its
final scaling after the last, so it is the smaller of the two by those.)
Then the same work from file to file: the whole CLI process against
reconstruct(path, out=...). Runs alternate; best and median wall times are compared, and the CPU times,
which a busy machine disturbs less.

    PYTHONPATH=build/python python3 bench/python/reconstruct_timing.py --build build
"""
import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time


def cpu_seconds(pid):
    """User plus system time of a running process so far."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def cli_compute_seconds(cli, args):
    """Runs the CLI; returns the wall and CPU time between its first progress line and its last
    step, and the wall and CPU time of the whole process (load, render, save)."""
    start, start_cpu = time.perf_counter(), children_cpu()
    process = subprocess.Popen([cli, *map(str, args)], stderr=subprocess.PIPE, stdout=subprocess.DEVNULL, text=True)
    first = last = None
    for line in process.stderr:
        now = time.perf_counter(), cpu_seconds(process.pid)
        if first is None and "Backprojecting" in line:
            first = now
        if "Average time" in line:
            last = now
    if process.wait() != 0 or first is None or last is None:
        raise SystemExit(f"voxmill-cli {' '.join(map(str, args))} failed or printed no progress")
    whole = time.perf_counter() - start, children_cpu() - start_cpu
    return (last[0] - first[0], last[1] - first[1]), whole


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--projections", type=int, default=360)
    parser.add_argument("--size", type=int, default=256, help="pixels and voxels a side")
    parser.add_argument("--renderer", action="append", help="Tessor, Karvex (default: both that are built)")
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()

    folder = tempfile.TemporaryDirectory(prefix="voxmill-bench-")
    os.environ["VOXMILL_REGISTRY"] = os.path.join(folder.name, "registry.ini")
    sys.path.insert(0, os.path.join(args.build, "python"))
    import numpy as np
    import voxmill

    cli = os.path.join(args.build, "bin", "voxmill-cli")
    built = {name: os.path.join(args.build, "lib", f"lib{name.lower()}.so") for name in ("Tessor", "Karvex")}
    renderers = args.renderer or [name for name, module in built.items() if os.path.exists(module)]
    for name in renderers:
        voxmill.register_plugin(built[name])

    head, scan = os.path.join(folder.name, "head.pha"), os.path.join(folder.name, "scan.prs")
    subprocess.run([cli, "phantom", "shepp-logan", head], check=True)
    subprocess.run([cli, "project", head, scan, "--pixels", str(args.size), str(args.size),
                    "--steps", str(args.projections), "--in-place"], check=True, stderr=subprocess.DEVNULL)
    projections, fields = voxmill.read_prs(scan)
    geometry = fields["geometry"]
    voxels = (args.size,) * 3
    updates = float(args.size) ** 3 * args.projections
    print(f"case: {args.projections} projections of {args.size}^2 pixels into {args.size}^3 voxels; "
          f"load {os.getloadavg()[0]:.2f}")
    for name in renderers:
        cli_times, py_times, cli_cpu, py_cpu = [], [], [], []
        cli_files, py_files = [], []  # (wall, cpu) from .prs to .vol
        out = os.path.join(folder.name, "cli.vol")
        for _ in range(args.repeat):
            (wall, cpu), whole = cli_compute_seconds(
                cli, ["reconstruct", scan, out, "--renderer", name, "--voxels", *voxels, "--force"])
            cli_times.append(wall)
            cli_cpu.append(cpu)
            cli_files.append(whole)
            start, start_cpu = time.perf_counter(), time.process_time()
            volume, _ = voxmill.reconstruct(projections, geometry, voxels=voxels, size=(2, 2, 2), renderer=name)
            py_times.append(time.perf_counter() - start)
            py_cpu.append(time.process_time() - start_cpu)
            del volume
            start, start_cpu = time.perf_counter(), time.process_time()
            voxmill.reconstruct(scan, voxels=voxels, renderer=name, out=os.path.join(folder.name, "py.vol"))
            py_files.append((time.perf_counter() - start, time.process_time() - start_cpu))
        same = np.array_equal(voxmill.read_vol(out)[0].view(np.uint32),
                              voxmill.reconstruct(projections, geometry, voxels=voxels, renderer=name)[0].view(np.uint32))
        best_cli, best_py = min(cli_times), min(py_times)
        print(f"{name}: wall: CLI compute best {best_cli:.3f} s (median {statistics.median(cli_times):.3f}), "
              f"Python reconstruct() best {best_py:.3f} s (median {statistics.median(py_times):.3f}); "
              f"Python / CLI = {best_py / best_cli:.3f} (medians {statistics.median(py_times) / statistics.median(cli_times):.3f}); "
              f"{updates / best_py / 1e9:.2f} GUPS")
        print(f"{name}: CPU: CLI compute median {statistics.median(cli_cpu):.2f} s, Python reconstruct() median "
              f"{statistics.median(py_cpu):.2f} s; Python / CLI = {statistics.median(py_cpu) / statistics.median(cli_cpu):.3f}; "
              f"same voxels: {same}")
        cli_wall, cli_file_cpu = (statistics.median(x) for x in zip(*cli_files))
        py_wall, py_file_cpu = (statistics.median(x) for x in zip(*py_files))
        same_file = open(out, "rb").read() == open(os.path.join(folder.name, "py.vol"), "rb").read()
        print(f"{name}: .prs to .vol: CLI process median {cli_wall:.3f} s wall, {cli_file_cpu:.2f} s CPU; "
              f"Python reconstruct(path, out=...) median {py_wall:.3f} s wall, {py_file_cpu:.2f} s CPU; "
              f"Python / CLI = {py_wall / cli_wall:.3f} wall, {py_file_cpu / cli_file_cpu:.3f} CPU; "
              f"same file: {same_file}")


if __name__ == "__main__":
    main()
