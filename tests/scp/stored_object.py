#!/usr/bin/python3
"""pydicom's reading of a stored object against the file that was sent.

  stored_object.py SENT STORED

Prints "SAME" when every data set element of the two files has the same tag, VR and
value and the pixel data decode to the same array, otherwise one "DIFF ..." line per
difference; then "TS <uid>" of the stored file. Data Set Trailing Padding (FFFC,FFFC) of
the sent file is left out: DCMTK's storescu does not send it.
"""

import sys

import pydicom

TRAILING_PADDING = pydicom.tag.Tag(0xFFFC, 0xFFFC)


def elements(ds, prefix=""):
    for elem in ds:
        if elem.tag == TRAILING_PADDING:
            continue
        if elem.VR == "SQ":
            yield prefix + str(elem.tag), "SQ", len(elem.value)
            for i, item in enumerate(elem.value):
                yield from elements(item, "%s%s[%d]." % (prefix, elem.tag, i))
        else:
            yield prefix + str(elem.tag), elem.VR, elem.value


def main(sent_path, stored_path):
    sent = pydicom.dcmread(sent_path)
    stored = pydicom.dcmread(stored_path)
    a = list(elements(sent))
    b = list(elements(stored))
    diffs = []
    if len(a) != len(b):
        diffs.append("element count %d sent, %d stored" % (len(a), len(b)))
    for x, y in zip(a, b):
        if x != y:
            diffs.append("%r != %r" % (x[:2], y[:2]))
    if "PixelData" in sent:
        if "PixelData" not in stored:
            diffs.append("no pixel data")
        elif not (sent.pixel_array == stored.pixel_array).all():
            diffs.append("pixel arrays differ")
    for d in diffs[:20]:
        print("DIFF", d)
    if not diffs:
        print("SAME")
    print("TS", stored.file_meta.TransferSyntaxUID)
    return 0 if not diffs else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
