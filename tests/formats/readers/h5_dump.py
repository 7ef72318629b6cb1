# Lists every data set of an HDF5 file with h5py: shape, type, chunks,
# filter and attributes (floats in their shortest exact form); the values
# of each data set go little-endian into OUTDIR/<name>.bin.
import os
import sys

import h5py
import numpy as np


def text(value):
    if isinstance(value, bytes):
        return value.decode()
    if isinstance(value, np.ndarray):
        return " ".join(text(v) for v in value.ravel())
    if isinstance(value, (float, np.floating)):
        return repr(float(value))
    return str(value)


def visit(name, obj):
    if not isinstance(obj, h5py.Dataset):
        return
    print("dataset", name, "shape", ",".join(str(n) for n in obj.shape), "dtype", obj.dtype.str,
          "chunks", ",".join(str(n) for n in (obj.chunks or ())), "compression", obj.compression)
    for key, value in obj.attrs.items():
        kind = "list" if isinstance(value, np.ndarray) and value.dtype.kind == "O" else "value"
        print("attr", name, key, kind, "=", text(value))
    data = obj[()]
    data.astype(data.dtype.newbyteorder("<")).tofile(os.path.join(sys.argv[2], name.replace("/", "_") + ".bin"))


with h5py.File(sys.argv[1], "r") as f:
    f.visititems(visit)
