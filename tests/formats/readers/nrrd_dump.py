# Reads a NRRD volume with teem's unu: unu parses the file and writes it
# again as a raw little-endian NRRD whose header lines (as teem understood
# them) are printed; `unu data` then gives its samples into OUT.bin.
import os
import subprocess
import sys
import tempfile

with tempfile.TemporaryDirectory() as tmp:
    again = os.path.join(tmp, "again.nrrd")
    subprocess.run(["teem-unu", "save", "-i", sys.argv[1], "-f", "nrrd", "-e", "raw", "-en", "little", "-o", again],
                   check=True)
    with open(again, "rb") as f:
        header = f.read().split(b"\n\n", 1)[0].decode()
    for line in header.splitlines():
        if ":" in line and not line.startswith("#"):
            key, value = line.split(":", 1)
            print(key.replace(" ", "_"), value.strip())
    with open(sys.argv[2], "wb") as out:
        subprocess.run(["teem-unu", "data", again], stdout=out, check=True)
