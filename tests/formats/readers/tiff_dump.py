# Reads a TIFF stack with tifffile: page count, sample type, BigTIFF or
# not, ImageJ metadata and the first page's resolution; the samples go
# little-endian into OUT.bin.
import sys

import tifffile

with tifffile.TiffFile(sys.argv[1]) as tif:
    data = tif.asarray()
    page = tif.pages[0]
    print("pages", len(tif.pages))
    print("dtype", data.dtype.str)
    print("shape", ",".join(str(n) for n in data.shape))
    print("bigtiff", int(tif.is_bigtiff))
    print("imagej", int(tif.is_imagej))
    for key, value in (tif.imagej_metadata or {}).items():
        print("ij", key, "=", value)
    x = page.tags["XResolution"].value
    y = page.tags["YResolution"].value
    print("xres", x[0], x[1])
    print("yres", y[0], y[1])
    data.astype(data.dtype.newbyteorder("<")).tofile(sys.argv[2])
