#!/usr/bin/python3
"""pydicom as the second reading of DICOM files for the file reader and writer tests.

  compare A B [force]
      read A (with force=True when the third word is "force", for files without a meta
      group) and B, and print "SAME" when every dataset element of the two has the same
      tag, VR and value and the pixel data decode to the same array; otherwise one
      "DIFF ..." line per difference. Then "TS <uid>" of B.
  fields FILE
      print "keyword=value" for the elements the synthetic test datasets hold
"""

import sys

import pydicom


def elements(ds, prefix=""):
    for elem in ds:
        if elem.VR == "SQ":
            yield prefix + str(elem.tag), "SQ", len(elem.value)
            for i, item in enumerate(elem.value):
                yield from elements(item, "%s%s[%d]." % (prefix, elem.tag, i))
        else:
            yield prefix + str(elem.tag), elem.VR, elem.value


def compare(a_path, b_path, force):
    a = pydicom.dcmread(a_path, force=force)
    b = pydicom.dcmread(b_path)
    ea = list(elements(a))
    eb = list(elements(b))
    diffs = []
    if len(ea) != len(eb):
        diffs.append("element count %d != %d" % (len(ea), len(eb)))
    for x, y in zip(ea, eb):
        if x != y:
            diffs.append("%r != %r" % (x[:2], y[:2]))
    if "PixelData" in a:
        if "PixelData" not in b:
            diffs.append("no pixel data")
        elif not (a.pixel_array == b.pixel_array).all():
            diffs.append("pixel arrays differ")
    for d in diffs[:20]:
        print("DIFF", d)
    if not diffs:
        print("SAME")
    print("TS", b.file_meta.TransferSyntaxUID)


def fields(path):
    ds = pydicom.dcmread(path)
    print("TS=%s" % ds.file_meta.TransferSyntaxUID)
    print("ImplementationClassUID=%s" % ds.file_meta.ImplementationClassUID)
    print("ImplementationVersionName=%s" % ds.file_meta.ImplementationVersionName)
    print("MediaStorageSOPInstanceUID=%s" % ds.file_meta.MediaStorageSOPInstanceUID)
    print("PatientName=%s" % ds.PatientName)
    print("Rows=%d" % ds.Rows)
    print("Columns=%d" % ds.Columns)
    print("ReferencedSOPInstanceUID=%s" % ds.ReferencedImageSequence[0].ReferencedSOPInstanceUID)
    print("PixelSum=%d" % int(ds.pixel_array.astype("int64").sum()))
    print("PixelFirst=%d" % int(ds.pixel_array.flat[0]))


if __name__ == "__main__":
    if sys.argv[1] == "compare":
        compare(sys.argv[2], sys.argv[3], len(sys.argv) > 4 and sys.argv[4] == "force")
    elif sys.argv[1] == "fields":
        fields(sys.argv[2])
    else:
        sys.exit("unknown command " + sys.argv[1])
