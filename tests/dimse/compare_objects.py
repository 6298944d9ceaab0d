#!/usr/bin/python3
"""Compares two DICOM files as data, whatever their transfer syntaxes (pydicom).

  compare_objects.py A B [--ignore GGGG,EEEE ...]

Prints one line per difference and exits 1 when there is any, 0 when the two hold the
same elements with the same values and the same pixel values. Group lengths and the meta
group are left out: they depend on the encoding. Pixel data are compared as decoded
sample values; compressed files must be decompressed first (dcmdjpeg). Words of OW
values are compared in the byte order of each file; elements one file holds as UN are
compared as raw bytes.
"""

import sys

import numpy
import pydicom
from pydicom.dataelem import RawDataElement
from pydicom.tag import Tag

PIXEL_DATA = Tag(0x7FE0, 0x0010)
WORD_VRS = ("OW", "OB or OW", "US or OW")


def raw_bytes(ds, tag):
    element = ds._dict[tag]
    if isinstance(element, RawDataElement):
        return element.value or b""
    return None


def words(value, little):
    data = bytes(value or b"")
    if len(data) % 2:
        return data
    return numpy.frombuffer(data, dtype="<u2" if little else ">u2").tolist()


def compare(a, b, path, differences, ignored):
    a_little, b_little = a.is_little_endian, b.is_little_endian
    for tag in sorted(set(a.keys()) | set(b.keys())):
        if tag.element == 0 or tag.group == 2 or tag == PIXEL_DATA or tag in ignored:
            continue
        name = f"{path}({tag.group:04X},{tag.element:04X})"
        if tag not in a or tag not in b:
            differences.append(f"{name}: only in {'A' if tag in a else 'B'}")
            continue
        raw_a, raw_b = raw_bytes(a, tag), raw_bytes(b, tag)
        ea, eb = a[tag], b[tag]
        if "UN" in (ea.VR, eb.VR):
            if raw_a is not None and raw_b is not None and a_little == b_little:
                if raw_a != raw_b:
                    differences.append(f"{name}: raw bytes differ")
            continue
        if ea.VR == "SQ" or eb.VR == "SQ":
            if len(ea.value) != len(eb.value):
                differences.append(f"{name}: {len(ea.value)} and {len(eb.value)} items")
                continue
            for i, (ia, ib) in enumerate(zip(ea.value, eb.value)):
                ia.is_little_endian, ia.is_implicit_VR = a.is_little_endian, a.is_implicit_VR
                ib.is_little_endian, ib.is_implicit_VR = b.is_little_endian, b.is_implicit_VR
                compare(ia, ib, f"{name}[{i}].", differences, ignored)
            continue
        if ea.VR in WORD_VRS or eb.VR in WORD_VRS:
            if words(ea.value, a_little) != words(eb.value, b_little):
                differences.append(f"{name}: words differ")
            continue
        if ea.value != eb.value:
            differences.append(f"{name}: {ea.value!r} and {eb.value!r}")


def main(argv):
    a = pydicom.dcmread(argv[1])
    b = pydicom.dcmread(argv[2])
    ignored = set()
    rest = argv[3:]
    while len(rest) >= 2 and rest[0] == "--ignore":
        group, element = rest[1].split(",")
        ignored.add(Tag(int(group, 16), int(element, 16)))
        rest = rest[2:]
    differences = []
    compare(a, b, "", differences, ignored)
    if (PIXEL_DATA in a) != (PIXEL_DATA in b):
        differences.append("pixel data in only one file")
    elif PIXEL_DATA in a:
        pa, pb = a.pixel_array, b.pixel_array
        if pa.shape != pb.shape or not numpy.array_equal(pa, pb):
            differences.append(f"pixel values differ (shapes {pa.shape} and {pb.shape})")
    for line in differences:
        print(line)
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
