#!/usr/bin/python3
"""Compares the pixels of two DICOM files as pydicom decodes them (for the conversion tests).

  pixel_check.py ORIGINAL CONVERTED

Both images are taken as RGB when their photometric interpretation is a YBR one (pydicom's
own colour conversion), then compared sample by sample. Prints one line:
  max=N mean=F psnr=F photometric=PI lossy=V ratio=V method=V
with the largest and the mean absolute difference, the peak signal-to-noise ratio in dB
(peak 2^BitsStored - 1 of the original; 999 for equal pixels), the converted file's Photometric
Interpretation and Lossy Image Compression elements (several values joined by
backslashes, "-" when absent).
"""

import sys

import numpy as np
import pydicom
from pydicom.pixel_data_handlers.util import convert_color_space


def rgb_pixels(ds):
    pixels = ds.pixel_array
    if ds.PhotometricInterpretation.startswith("YBR"):
        pixels = convert_color_space(pixels, "YBR_FULL", "RGB")
    return pixels.astype(np.int32)


def text(ds, keyword):
    """The element's values as stored, joined by backslashes; "-" when absent."""
    if keyword not in ds:
        return "-"
    value = ds.data_element(keyword).value
    if isinstance(value, (list, tuple)) or type(value).__name__ == "MultiValue":
        return "\\".join(str(v) for v in value)
    return str(value)


def main(argv):
    original = pydicom.dcmread(argv[1])
    converted = pydicom.dcmread(argv[2])
    difference = np.abs(rgb_pixels(original) - rgb_pixels(converted))
    squares = (difference.astype(np.float64) ** 2).mean()
    peak = 2.0 ** original.BitsStored - 1
    psnr = 999.0 if squares == 0 else 10 * np.log10(peak * peak / squares)
    print(
        "max=%d mean=%.3f psnr=%.2f photometric=%s lossy=%s ratio=%s method=%s"
        % (
            difference.max(),
            difference.mean(),
            psnr,
            converted.PhotometricInterpretation,
            text(converted, "LossyImageCompression"),
            text(converted, "LossyImageCompressionRatio"),
            text(converted, "LossyImageCompressionMethod"),
        )
    )


if __name__ == "__main__":
    main(sys.argv)
