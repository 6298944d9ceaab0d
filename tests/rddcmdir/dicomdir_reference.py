#!/usr/bin/python3
"""pydicom's side of the DICOMDIR reader tests.

  make-files FOLDER
      write a small file-set for dcmmkdir: 2 patients, 3 studies, 4 series and 7 images
      (explicit VR little endian CT files with 8-character upper-case names), and print
      one line "PATIENTID STUDYID SERIESNUMBER INSTANCENUMBER PATH" per file
  hierarchy DICOMDIR
      print the records of the DICOMDIR as pydicom's FileSet links them, depth first:
      one line "DEPTH OFFSET TYPE" per record
"""

import os
import sys
import warnings

import pydicom
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.fileset import FileSet
from pydicom.uid import ExplicitVRLittleEndian

CT_IMAGE = "1.2.840.10008.5.1.4.1.1.2"
ROOT = "1.2.826.0.1.3680043.2.1143.4821."

# patient, study, series, instances
LAYOUT = [
    ("PAT1", 1, 1, 2),
    ("PAT1", 1, 2, 1),
    ("PAT1", 2, 1, 1),
    ("PAT2", 3, 1, 3),
]


def make_files(folder):
    names = {"PAT1": "DOE^ANNA", "PAT2": "ROE^BERT"}
    for patient, study, series, count in LAYOUT:
        for instance in range(1, count + 1):
            meta = FileMetaDataset()
            uid = "%s%d.%d.%d" % (ROOT, study, series, instance)
            meta.MediaStorageSOPClassUID = CT_IMAGE
            meta.MediaStorageSOPInstanceUID = uid
            meta.TransferSyntaxUID = ExplicitVRLittleEndian
            ds = Dataset()
            ds.file_meta = meta
            ds.SpecificCharacterSet = "ISO_IR 100"
            ds.ImageType = ["ORIGINAL", "PRIMARY", "AXIAL"]
            ds.SOPClassUID = CT_IMAGE
            ds.SOPInstanceUID = uid
            ds.StudyDate = "2024010%d" % study
            ds.StudyTime = "101500"
            ds.AccessionNumber = "ACC%d" % study
            ds.Modality = "CT"
            ds.ReferringPhysicianName = ""
            ds.StudyDescription = "STUDY %d" % study
            ds.PatientName = names[patient]
            ds.PatientID = patient
            ds.PatientBirthDate = "19700101"
            ds.PatientSex = "O"
            ds.StudyInstanceUID = "%s%d" % (ROOT, study)
            ds.SeriesInstanceUID = "%s%d.%d" % (ROOT, study, series)
            ds.StudyID = "S%d" % study
            ds.SeriesNumber = series
            ds.InstanceNumber = instance
            ds.SamplesPerPixel = 1
            ds.PhotometricInterpretation = "MONOCHROME2"
            ds.Rows = 4
            ds.Columns = 4
            ds.BitsAllocated = 16
            ds.BitsStored = 12
            ds.HighBit = 11
            ds.PixelRepresentation = 0
            ds.PixelData = bytes(range(32))
            ds.is_little_endian = True
            ds.is_implicit_VR = False
            relative = os.path.join(patient, "STU%d" % study, "SER%d" % series, "IM%06d" % instance)
            path = os.path.join(folder, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            ds.save_as(path, write_like_original=False)
            print(patient, "S%d" % study, series, instance, relative)


def hierarchy(path):
    fs = FileSet(pydicom.dcmread(path))
    for node in fs._tree:
        print(node.depth, node._offset, node.record_type)


if __name__ == "__main__":
    warnings.simplefilter("ignore")
    if sys.argv[1] == "make-files":
        make_files(sys.argv[2])
    elif sys.argv[1] == "hierarchy":
        hierarchy(sys.argv[2])
    else:
        sys.exit("unknown command " + sys.argv[1])
