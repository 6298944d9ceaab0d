"""libnorvane.so loaded with ctypes, as a program in another language uses it: the version,
a verification against DCMTK's storescp, and a file read into element records.

ctypes_test.py LIBRARY SAMPLES [NORVANE]: with the norvane program, MPPS and storage
commitment against norvane scp too.
"""

import ctypes
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

LIBRARY, SAMPLES = sys.argv[1], sys.argv[2]
NORVANE = sys.argv[3] if len(sys.argv) > 3 else None


def load(path):
    lib = ctypes.CDLL(path)
    c = ctypes
    signatures = {
        "Version": (c.c_char_p, [c.c_char_p]),
        "EchoSCU": (c.c_uint8, [c.c_char_p, c.c_char_p, c.c_char_p, c.c_char_p]),
        "DICOMFile": (c.c_int32, [c.c_char_p, c.c_void_p, c.c_void_p, c.POINTER(c.c_uint8)]),
        "ClearTags": (c.c_uint8, [c.c_void_p]),
        "NewList": (c.c_void_p, []),
        "DeleteList": (None, [c.c_void_p]),
        "ListCount": (c.c_int32, [c.c_void_p]),
        "ListGet": (c.c_void_p, [c.c_void_p, c.c_int32]),
        "GetTagGroup": (c.c_uint16, [c.c_void_p]),
        "GetTagElement": (c.c_uint16, [c.c_void_p]),
        "GetTagVR": (c.c_uint8, [c.c_void_p, c.c_char_p]),
        "GetTagLength": (c.c_uint32, [c.c_void_p]),
        "GetTagValue": (c.c_void_p, [c.c_void_p]),
        "LastErrorText": (c.c_char_p, []),
        "ListAppend": (c.c_int32, [c.c_void_p, c.c_void_p]),
        "ListClear": (None, [c.c_void_p]),
        "NewWorklistItem": (c.c_void_p, []),
        "DeleteWorklistItem": (None, [c.c_void_p]),
        "SetWorklistItemField": (c.c_uint8, [c.c_void_p, c.c_char_p, c.c_char_p]),
        "MPPSCreateSCU": (c.c_uint8, [c.c_char_p] * 4 + [c.c_void_p, c.c_char_p]),
        "MPPSSetSCU": (c.c_uint8, [c.c_char_p] * 6 + [c.c_void_p]),
        "StorageCommitmentSCU": (c.c_int32, [c.c_char_p] * 4 + [c.c_void_p, c.c_int32, c.c_int32]),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(lib, name)
        function.restype = result
        function.argtypes = arguments
    return lib


lib = load(LIBRARY)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def records(lst):
    """(group, element, VR, value bytes) of every record of a list."""
    out = []
    for i in range(lib.ListCount(lst)):
        record = lib.ListGet(lst, i)
        vr = ctypes.create_string_buffer(3)
        lib.GetTagVR(record, vr)
        length = lib.GetTagLength(record)
        address = lib.GetTagValue(record)
        value = ctypes.string_at(address, length) if address else b""
        out.append((lib.GetTagGroup(record), lib.GetTagElement(record), vr.value, value))
    return out


class Version(unittest.TestCase):
    def test_writes_the_version_into_a_five_byte_buffer(self):
        buffer = ctypes.create_string_buffer(b"\xff" * 5, 5)
        self.assertEqual(lib.Version(buffer), b"2.64")
        self.assertEqual(buffer.raw, b"2.64\x00")


@unittest.skipUnless(shutil.which("storescp"), "DCMTK is not installed")
class Echo(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.port = str(free_port()).encode()
        self.peer = subprocess.Popen(
            ["storescp", "-aet", "STORESCP", "-od", self.folder, self.port.decode()],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def tearDown(self):
        self.peer.terminate()
        self.peer.wait(10)
        shutil.rmtree(self.folder)

    def test_verification_succeeds_and_fills_an_empty_calling_title(self):
        calling = ctypes.create_string_buffer(17)
        ok = 0
        for _ in range(100):
            ok = lib.EchoSCU(b"127.0.0.1", self.port, calling, b"STORESCP")
            if ok:
                break
            time.sleep(0.1)
        self.assertEqual(ok, 1)
        self.assertEqual(calling.value, b"KAVORN          ")

    def test_verification_of_a_port_nobody_listens_on_fails_and_says_why(self):
        calling = ctypes.create_string_buffer(b"PYTHON", 17)
        port = str(free_port())
        self.assertEqual(lib.EchoSCU(b"127.0.0.1", port.encode(), calling, b"X"), 0)
        self.assertEqual(calling.value, b"PYTHON")
        self.assertEqual(lib.LastErrorText(),
                         f"connection refused by 127.0.0.1:{port} (nothing listens there)".encode())

    def test_each_thread_has_its_own_last_error_text(self):
        seen = {}

        def fail_in_a_thread():
            lib.DICOMFile(b"/no/such/file.dcm", None, None, None)
            seen["thread"] = lib.LastErrorText()

        lib.ListGet(None, 0)
        worker = threading.Thread(target=fail_in_a_thread)
        worker.start()
        worker.join()
        self.assertEqual(seen["thread"], b"the file '/no/such/file.dcm' does not exist")
        self.assertEqual(lib.LastErrorText(), b"no list (NULL)")


class DicomFile(unittest.TestCase):
    def setUp(self):
        self.meta, self.dataset = lib.NewList(), lib.NewList()

    def tearDown(self):
        lib.ClearTags(self.meta)
        lib.ClearTags(self.dataset)
        self.assertEqual(lib.ListCount(self.meta) + lib.ListCount(self.dataset), 0)
        lib.DeleteList(self.meta)
        lib.DeleteList(self.dataset)

    def test_reads_meta_group_and_data_set_as_element_records(self):
        explicit = ctypes.c_uint8(9)
        path = os.path.join(SAMPLES, "CT_small.dcm").encode()
        self.assertEqual(lib.DICOMFile(path, self.meta, self.dataset, ctypes.byref(explicit)), 1)
        self.assertEqual(explicit.value, 1)
        meta = {(g, e): (vr, v) for g, e, vr, v in records(self.meta)}
        self.assertEqual(meta[(0x0002, 0x0010)], (b"UI", b"1.2.840.10008.1.2.1\x00"))
        dataset = records(self.dataset)
        self.assertIn((0x0010, 0x0010, b"PN", b"CompressedSamples^CT1 "), dataset)
        rows = [r for r in dataset if r[:2] == (0x0028, 0x0010)]
        self.assertEqual(rows, [(0x0028, 0x0010, b"US", b"\x80\x00")])
        pixels = [r for r in dataset if r[:2] == (0x7FE0, 0x0010)]
        self.assertEqual(len(pixels[0][3]), 128 * 128 * 2)

    def test_a_file_without_the_dicm_marker_gives_zero(self):
        path = os.path.join(SAMPLES, "no_meta.dcm").encode()
        self.assertEqual(lib.DICOMFile(path, self.meta, self.dataset, None), 0)


@unittest.skipUnless(NORVANE, "the norvane program was not named")
class Workflow(unittest.TestCase):
    """MPPS and storage commitment against norvane scp."""

    def setUp(self):
        self.folder = tempfile.mkdtemp()
        self.port = free_port()
        self.scp = subprocess.Popen(
            [NORVANE, "scp", "--port", str(self.port), "--loopback", "--aet", "ARCHIVE",
             "--folder", os.path.join(self.folder, "db")],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            with socket.socket() as s:
                if s.connect_ex(("127.0.0.1", self.port)) == 0:
                    break
            time.sleep(0.1)
        self.calling = ctypes.create_string_buffer(b"MODALITY", 17)
        self.peer = (b"127.0.0.1", str(self.port).encode(), self.calling, b"ARCHIVE")
        self.files = lib.NewList()
        self.names = []
        self.ct = os.path.join(SAMPLES, "CT_small.dcm").encode()
        self.mr = os.path.join(SAMPLES, "MR_small.dcm").encode()

    def add_file(self, name):
        """Appends a file name the test keeps alive; the library only reads it."""
        text = ctypes.create_string_buffer(name)
        self.names.append(text)
        lib.ListAppend(self.files, ctypes.cast(text, ctypes.c_void_p))

    def tearDown(self):
        lib.ListClear(self.files)
        lib.DeleteList(self.files)
        self.scp.terminate()
        self.scp.wait(10)
        shutil.rmtree(self.folder)

    def test_a_step_is_created_completed_and_then_refused(self):
        item, items = lib.NewWorklistItem(), lib.NewList()
        lib.SetWorklistItemField(item, b"PatientID", b"P7")
        lib.SetWorklistItemField(item, b"Modality", b"CT")
        lib.ListAppend(items, item)
        uid = ctypes.create_string_buffer(65)
        self.assertEqual(lib.MPPSCreateSCU(*self.peer, items, uid), 1, lib.LastErrorText())
        self.assertTrue(uid.value.startswith(b"2.25."))
        self.add_file(self.ct)
        self.assertEqual(lib.MPPSSetSCU(*self.peer, uid.value, b"COMPLETED", self.files), 1,
                         lib.LastErrorText())
        self.assertEqual(lib.MPPSSetSCU(*self.peer, uid.value, b"DISCONTINUED", None), 0)
        self.assertIn(b"0x0110", lib.LastErrorText())
        self.assertIn(b"may no longer be updated", lib.LastErrorText())
        lib.ListClear(items)
        lib.DeleteWorklistItem(item)
        lib.DeleteList(items)

    def test_commitment_counts_what_the_archive_does_not_hold(self):
        subprocess.run([NORVANE, "store", "127.0.0.1", str(self.port), "--aec", "ARCHIVE",
                        self.ct.decode()], check=True, capture_output=True)
        self.add_file(self.ct)
        self.assertEqual(lib.StorageCommitmentSCU(*self.peer, self.files, 10, 0), 0,
                         lib.LastErrorText())
        self.add_file(self.mr)
        self.assertEqual(lib.StorageCommitmentSCU(*self.peer, self.files, 10, 0), 1)
        self.assertIn(b"no such object instance", lib.LastErrorText())


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
