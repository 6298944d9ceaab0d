#!/usr/bin/python3
"""Reference timings of DCMTK's dcmcjpeg / dcmdjpeg (lossless SV1) on frames like those of
jpeg_codec_bench: 512 x 512 16-bit greyscale and 8-bit RGB, a smooth radial pattern with a
little noise. Each run is a whole process (start-up and file I/O included), so the figures
are an upper bound on DCMTK's codec time. Usage: jpeg_dcmtk_reference.py [runs]"""

import os
import subprocess
import sys
import tempfile
import time

import numpy as np
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.uid import ExplicitVRLittleEndian, generate_uid

SIZE = 512


def frame(components, bits):
    rng = np.random.default_rng(42)
    top = 255.0 if bits == 8 else 65535.0
    y, x = np.mgrid[0:SIZE, 0:SIZE]
    planes = []
    for c in range(components):
        r = np.hypot(x - SIZE / 2, y - SIZE / 2 + c * 20) / SIZE
        noise = rng.normal(0.0, 2.0 if bits == 8 else 40.0, (SIZE, SIZE))
        planes.append(np.clip(top * (0.5 + 0.4 * np.cos(r * 12.0)) + noise, 0, top))
    data = np.stack(planes, axis=-1).astype(np.uint8 if bits == 8 else "<u2")
    return data.tobytes()


def write(path, components, bits):
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = "1.2.840.10008.5.1.4.1.1.7"
    meta.MediaStorageSOPInstanceUID = generate_uid()
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds = Dataset()
    ds.file_meta = meta
    ds.is_little_endian, ds.is_implicit_VR = True, False
    ds.SOPClassUID = meta.MediaStorageSOPClassUID
    ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
    ds.SamplesPerPixel = components
    ds.PhotometricInterpretation = "RGB" if components == 3 else "MONOCHROME2"
    if components == 3:
        ds.PlanarConfiguration = 0
    ds.Rows = ds.Columns = SIZE
    ds.BitsAllocated = ds.BitsStored = bits
    ds.HighBit = bits - 1
    ds.PixelRepresentation = 0
    ds.PixelData = frame(components, bits)
    ds.save_as(path, write_like_original=False)
    return len(ds.PixelData)


def timed(argv, runs):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(argv, check=True)
        best = min(best, time.perf_counter() - start)
    return best


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    with tempfile.TemporaryDirectory() as folder:
        for name, components, bits in (("Lossless16Grey512", 1, 16), ("Lossless8Rgb512", 3, 8)):
            plain = os.path.join(folder, name + ".dcm")
            packed = os.path.join(folder, name + "-jpeg.dcm")
            back = os.path.join(folder, name + "-back.dcm")
            size = write(plain, components, bits)
            enc = timed(["dcmcjpeg", "+e1", plain, packed], runs)
            dec = timed(["dcmdjpeg", packed, back], runs)
            ratio = size / os.path.getsize(packed)
            print(f"dcmcjpeg {name}: {size / enc / 2**20:7.1f} MiB/s (ratio ~{ratio:.2f})")
            print(f"dcmdjpeg {name}: {size / dec / 2**20:7.1f} MiB/s")


if __name__ == "__main__":
    main()
