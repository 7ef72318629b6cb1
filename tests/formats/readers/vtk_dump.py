# Reads a MetaImage (.mha) volume with VTK's reader:
# dimensions, spacing and origin (shortest exact floats); the scalars go
# little-endian into OUT.bin.
import sys

from vtkmodules.util import numpy_support
from vtkmodules.vtkIOImage import vtkMetaImageReader

reader = vtkMetaImageReader()
reader.SetFileName(sys.argv[1])
reader.Update()
image = reader.GetOutput()
print("dims", " ".join(str(n) for n in image.GetDimensions()))
print("spacing", " ".join(repr(float(v)) for v in image.GetSpacing()))
print("origin", " ".join(repr(float(v)) for v in image.GetOrigin()))
scalars = numpy_support.vtk_to_numpy(image.GetPointData().GetScalars())
print("dtype", scalars.dtype.str)
scalars.astype(scalars.dtype.newbyteorder("<")).tofile(sys.argv[2])
