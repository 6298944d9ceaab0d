#!/usr/bin/python3
"""DICOM file plumbing for the codec interoperability tests (pydicom, with GDCM).

  make OUT BITS ROWS COLUMNS SAMPLES RAW
      write an uncompressed Secondary Capture file (explicit VR little endian) whose pixel
      data are the bytes of RAW; BITS is 8, 12 (stored in 16) or 16
  wrap OUT BITS ROWS COLUMNS SAMPLES JPEG TSUID
      the same image as one encapsulated frame holding the stream in JPEG, under TSUID
  fragment IN OUT
      write the first frame's compressed stream of IN to OUT
  pixels IN OUT
      write the native pixel data bytes of IN to OUT
  decoded IN OUT
      write the pixels of IN as pydicom decodes them (GDCM for JPEG 2000 and JPEG-LS) to
      OUT: every frame, samples interleaved, each as wide as Bits Allocated, little endian
"""

import sys

import pydicom
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.encaps import encapsulate, generate_pixel_data_frame
from pydicom.uid import ExplicitVRLittleEndian, generate_uid

SECONDARY_CAPTURE = "1.2.840.10008.5.1.4.1.1.7"


def image(bits, rows, columns, samples, transfer_syntax):
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = SECONDARY_CAPTURE
    meta.MediaStorageSOPInstanceUID = generate_uid()
    meta.TransferSyntaxUID = transfer_syntax
    ds = Dataset()
    ds.file_meta = meta
    ds.is_little_endian = True
    ds.is_implicit_VR = False
    ds.SOPClassUID = SECONDARY_CAPTURE
    ds.SOPInstanceUID = meta.MediaStorageSOPInstanceUID
    ds.StudyInstanceUID = generate_uid()
    ds.SeriesInstanceUID = generate_uid()
    ds.PatientName = "JPEG^Interop"
    ds.PatientID = "JPEG1"
    ds.Modality = "OT"
    ds.SamplesPerPixel = samples
    ds.PhotometricInterpretation = "RGB" if samples == 3 else "MONOCHROME2"
    if samples == 3:
        ds.PlanarConfiguration = 0
    ds.Rows = rows
    ds.Columns = columns
    ds.BitsAllocated = 8 if bits == 8 else 16
    ds.BitsStored = bits
    ds.HighBit = bits - 1
    ds.PixelRepresentation = 0
    return ds


def main(argv):
    command = argv[1]
    if command in ("make", "wrap"):
        out, bits, rows, columns, samples = argv[2], *map(int, argv[3:7])
        with open(argv[7], "rb") as f:
            data = f.read()
        if command == "make":
            ds = image(bits, rows, columns, samples, ExplicitVRLittleEndian)
            ds.PixelData = data + (b"\0" if len(data) % 2 else b"")
        else:
            ds = image(bits, rows, columns, samples, argv[8])
            ds.PixelData = encapsulate([data])
            ds["PixelData"].VR = "OB"
            ds["PixelData"].is_undefined_length = True
        ds.save_as(out, write_like_original=False)
    elif command == "fragment":
        ds = pydicom.dcmread(argv[2])
        frame = next(generate_pixel_data_frame(ds.PixelData, 1))
        with open(argv[3], "wb") as f:
            f.write(frame)
    elif command == "pixels":
        ds = pydicom.dcmread(argv[2])
        with open(argv[3], "wb") as f:
            f.write(ds.PixelData)
    elif command == "decoded":
        ds = pydicom.dcmread(argv[2])
        pixels = ds.pixel_array
        with open(argv[3], "wb") as f:
            f.write(pixels.astype(pixels.dtype.newbyteorder("<")).tobytes())
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main(sys.argv)
