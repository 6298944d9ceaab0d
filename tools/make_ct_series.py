#!/usr/bin/python3
"""Writes a study of CT images for storage tests and benchmarks.

  make_ct_series.py OUTDIR [--series S] [--images N] [--size PIXELS]

Every image is pydicom's sample CT_small.dcm with new Study, Series and SOP Instance UIDs
(one study, S series of N images each), written explicit VR little endian as
OUTDIR/IM00001.dcm, IM00002.dcm, ... With --size the pixel data is replaced by a
PIXELS x PIXELS 16-bit gradient (512 gives CT-sized images of 512 KB). Prints the Study
Instance UID.
"""

import argparse
import os

import numpy
import pydicom
from pydicom.data import get_testdata_file
from pydicom.uid import generate_uid


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--series", type=int, default=1)
    parser.add_argument("--images", type=int, default=5)
    parser.add_argument("--size", type=int, default=0)
    args = parser.parse_args()

    template = pydicom.dcmread(get_testdata_file("CT_small.dcm"))
    if args.size:
        rows = numpy.arange(args.size, dtype=numpy.uint16).reshape(args.size, 1)
        cols = numpy.arange(args.size, dtype=numpy.uint16).reshape(1, args.size)
        template.Rows = args.size
        template.Columns = args.size
        template.BitsAllocated = 16
        template.BitsStored = 16
        template.HighBit = 15
        template.PixelRepresentation = 0
        template.PixelData = ((rows * 7 + cols * 3) % 4096).astype("<u2").tobytes()
    os.makedirs(args.outdir, exist_ok=True)
    study = generate_uid()
    number = 0
    for s in range(args.series):
        series = generate_uid()
        for i in range(args.images):
            number += 1
            template.StudyInstanceUID = study
            template.SeriesInstanceUID = series
            template.SeriesNumber = s + 1
            template.InstanceNumber = i + 1
            template.SOPInstanceUID = generate_uid()
            template.file_meta.MediaStorageSOPInstanceUID = template.SOPInstanceUID
            template.save_as(os.path.join(args.outdir, "IM%05d.dcm" % number),
                             write_like_original=False)
    print(study)


if __name__ == "__main__":
    main()
