# Writes a detector stack the way a lab's acquisition software would:
# ARGV: OUT.tif DTYPE (uint8, uint16, float32) COUNT ROWS COLUMNS IN.bin
# [append] where IN.bin holds the samples little-endian in that type;
# "append" adds the pages to an existing file.
import sys

import numpy as np
import tifffile

out, dtype, count, rows, columns, source = sys.argv[1:7]
append = len(sys.argv) > 7 and sys.argv[7] == "append"
data = np.fromfile(source, dtype=np.dtype(dtype).newbyteorder("<")).reshape(int(count), int(rows), int(columns))
tifffile.imwrite(out, data.astype(dtype), photometric="minisblack", append=append)
