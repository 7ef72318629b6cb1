#!/usr/bin/env bash
# The main job of `make run` (called with the build folder): the workbench
# with the Shepp-Logan head phantom in a phantom window when a display is
# there, otherwise the headless road through voxmill-cli.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
out=out

# Everything voxmill-cli can do so far, one step after the other. Each
# later step reads what the earlier ones wrote into $out/.
headless_road() {
  mkdir -p "$out"
  echo "== Shepp-Logan phantom"
  "$bin/voxmill-cli" phantom shepp-logan "$out/shepp-logan.pha" --force
  "$bin/voxmill-cli" phantom list "$out/shepp-logan.pha"
  echo
  echo "== Projections: 36 snapshots of 128 x 128 pixels, members linked beside the collection"
  "$bin/voxmill-cli" project "$out/shepp-logan.pha" "$out/shepp-logan.prs" --steps 36 --force
  for k in 0 9 18; do  # 0, 90 and 180 degrees
    "$bin/voxmill-cli" export bmp "$out/shepp-logan.prs.$k.PRJ" "$out/projection-$k.bmp"
  done
  echo
  if [[ "$("$bin/voxmill-cli" plugins list)" == *Tessor* ]]; then
    reconstruction_road
    real_data_road
    grabbed_road
    ground_truth_panel
  else
    echo "== The Tessor renderer is not registered: no reconstruction (see voxmill-cli plugins register)"
    echo
  fi
  python_road
  echo "No display: the headless road ran. Its files are in $out/:"
  ls -l "$out"
}

# Tessor reconstructs the projections into 64^3 voxels of a 2 x 2 x 2 box
# and voxelizes the phantom into the same grid; both are cut into Y slices
# (across the rotation axis) and their central slices, y = -0.016, are
# written as bitmaps side by side and compared.
reconstruction_road() {
  echo "== Reconstruction with Tessor, and the phantom voxelized on the same grid"
  "$bin/voxmill-cli" reconstruct "$out/shepp-logan.prs" "$out/reconstruction.vol" --renderer Tessor --force
  "$bin/voxmill-cli" reconstruct "$out/shepp-logan.pha" "$out/phantom.vol" --renderer Tessor --force
  echo
  echo "== Y slices"
  "$bin/voxmill-cli" slice "$out/reconstruction.vol" --axis y "$out/reconstruction-y.sls" --force
  "$bin/voxmill-cli" slice "$out/phantom.vol" --axis y "$out/phantom-y.sls" --force
  local central=32
  "$bin/voxmill-cli" export bmp "$out/reconstruction-y.sls" "$out/reconstruction-y-central.bmp" --index $central
  "$bin/voxmill-cli" export bmp "$out/phantom-y.sls" "$out/phantom-y-central.bmp" --index $central
  echo "central Y slice: $out/reconstruction-y-central.bmp beside $out/phantom-y-central.bmp"
  "$bin/voxmill-cli" slice compare "$out/reconstruction-y.sls" "$out/phantom-y.sls" --index $central \
    | tee "$out/simulated-error.txt"
  echo
}

# The reconstruction measured against the voxelized phantom (field of
# view), and a picture of it: the central Y slices of the phantom, the
# reconstruction (each through its own value range) and their difference
# in the diverging map (white is no error, blue too low, red too high),
# side by side in out/ground-truth.png, with the figures beside it in
# out/ground-truth.txt.
ground_truth_panel() {
  echo "== Ground truth: the reconstruction against the voxelized phantom"
  "$bin/voxmill-cli" compare "$out/phantom.vol" "$out/reconstruction.vol" --fov --diff "$out/difference.vol" --force \
    | tee "$out/ground-truth.txt"
  "$bin/voxmill-cli" slice "$out/difference.vol" --axis y "$out/difference-y.sls" --force
  local central=32
  "$bin/voxmill-cli" export png "$out/phantom-y.sls" "$out/phantom-y-central.png" --index $central
  "$bin/voxmill-cli" export png "$out/reconstruction-y.sls" "$out/reconstruction-y-central.png" --index $central
  "$bin/voxmill-cli" export png "$out/difference-y.sls" "$out/difference-y-central.png" --index $central --map diverging
  "$bin/voxmill-cli" png-panel "$out/ground-truth.png" "$out/phantom-y-central.png" \
    "$out/reconstruction-y-central.png" "$out/difference-y-central.png"
  echo "phantom | reconstruction | difference (blue below, red above the phantom): $out/ground-truth.png"
  echo "figures: $out/ground-truth.txt"
  echo
}

# The same road scripted in Python (examples/shepp_logan.py) when the build
# made the voxmill module: a figure of the central slices of the phantom,
# the reconstructions and their differences.
python_road() {
  local python=/usr/bin/python3
  [[ -x "$python" ]] || python=python3
  if ! compgen -G "$build/python/voxmill*.so" >/dev/null; then
    echo "== The voxmill Python module was not built: no Python road"
    echo
    return
  fi
  echo "== The road in Python: examples/shepp_logan.py"
  PYTHONPATH="$build/python${PYTHONPATH:+:$PYTHONPATH}" "$python" examples/shepp_logan.py --out "$out/shepp-logan-python.png"
  echo "Python figure: $out/shepp-logan-python.png"
  echo
}

# The road real frames take: the projections as a camera would record them
# (8-bit transmission round(255 exp(-p))) with a reference cine of open-beam
# frames, turned back into line integrals by "Generate Projections",
# reconstructed and compared like the simulated road; the cine also goes
# out as an AVI video.
real_data_road() {
  echo "== Real-data road: the projections as an 8-bit cine and an open-beam reference cine"
  "$bin/voxmill-cli" cine expose "$out/shepp-logan.prs" "$out/cine.sds" "$out/reference.sds" --force
  "$bin/voxmill-cli" export avi "$out/cine.sds" "$out/cine.avi"
  echo "the cine as a video: $out/cine.avi"
  "$bin/voxmill-cli" cine generate "$out/cine.sds" "$out/reference.sds" "$out/cine.prs" --force
  "$bin/voxmill-cli" reconstruct "$out/cine.prs" "$out/cine-reconstruction.vol" --renderer Tessor --force
  "$bin/voxmill-cli" slice "$out/cine-reconstruction.vol" --axis y "$out/cine-reconstruction-y.sls" --force
  local central=32
  "$bin/voxmill-cli" export bmp "$out/cine-reconstruction-y.sls" "$out/cine-reconstruction-y-central.bmp" \
    --index $central
  echo "central Y slice from the cine: $out/cine-reconstruction-y-central.bmp"
  "$bin/voxmill-cli" slice compare "$out/cine-reconstruction-y.sls" "$out/phantom-y.sls" --index $central
  echo
}

# The frame grabber's road: the simulated camera (the stand-in frame-grabber
# libraries built with the project) films the phantom on a turntable that
# turns 10 degrees per grab, and an empty scene for the reference; the
# projector's grabbing run takes one 128 x 128 slide per snapshot, and the
# cines go down the real-data road. The digitizer's first grab sets up its
# buffer, so the turntable starts one step early.
grabbed_road() {
  echo "== Grabbed road: a cine of the phantom and an empty reference cine through the simulated camera"
  local scene
  for scene in phantom empty; do
    cat > "$out/$scene.dcf" <<EOF
# The simulated camera of make run (README, "Voxmill.dcf")
width = 128
height = 128
scene = $scene
phantom = shepp-logan.pha
step = 10
start = -10
EOF
  done
  "$bin/voxmill-cli" digitizer info --camera "$out/phantom.dcf"
  "$bin/voxmill-cli" grab "$out/grabbed.sds" --steps 36 --camera "$out/phantom.dcf" --force
  "$bin/voxmill-cli" grab "$out/grabbed-reference.sds" --steps 36 --camera "$out/empty.dcf" --force
  "$bin/voxmill-cli" export avi "$out/grabbed.sds" "$out/grabbed.avi"
  "$bin/voxmill-cli" cine generate "$out/grabbed.sds" "$out/grabbed-reference.sds" "$out/grabbed.prs" --force
  "$bin/voxmill-cli" reconstruct "$out/grabbed.prs" "$out/grabbed-reconstruction.vol" --renderer Tessor --force
  "$bin/voxmill-cli" slice "$out/grabbed-reconstruction.vol" --axis y "$out/grabbed-reconstruction-y.sls" --force
  local central=32
  "$bin/voxmill-cli" export bmp "$out/grabbed-reconstruction-y.sls" "$out/grabbed-reconstruction-y-central.bmp" \
    --index $central
  echo "central Y slice from the grabbed cine: $out/grabbed-reconstruction-y-central.bmp"
  "$bin/voxmill-cli" slice compare "$out/grabbed-reconstruction-y.sls" "$out/phantom-y.sls" --index $central \
    | tee "$out/grabbed-error.txt"
  echo "central-slice error against the phantom: grabbed $(head -1 "$out/grabbed-error.txt" | awk '{print $4}')," \
    "simulated $(head -1 "$out/simulated-error.txt" | awk '{print $4}')"
  echo
}

workbench() {
  mkdir -p "$out"
  "$bin/voxmill-cli" phantom shepp-logan "$out/shepp-logan.pha" --force >/dev/null
  echo "Starting the workbench with $out/shepp-logan.pha."
  exec "$bin/voxmill" "$out/shepp-logan.pha"
}

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  workbench
else
  headless_road
fi
