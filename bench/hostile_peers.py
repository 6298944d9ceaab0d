#!/usr/bin/python3
"""Hostile DICOM peers for bench/run's memory rows, speaking the upper layer with bare sockets.

  hostile_peers.py find PORT KEYS          a C-FIND of KEYS private keys at STUDY level; prints
                                           the final status and the number of pending answers
  hostile_peers.py endless-archive PORT    answers one C-GET with a C-STORE-RQ whose data set
                                           never ends, until the requester goes away
"""

import socket
import struct
import sys

APPLICATION_CONTEXT = b"1.2.840.10008.3.1.1.1"
IMPLICIT = b"1.2.840.10008.1.2"
STUDY_ROOT_FIND = b"1.2.840.10008.5.1.4.1.2.2.1"
CT = b"1.2.840.10008.5.1.4.1.1.2"
PDV_BYTES = 16000


def padded(uid):
    return uid + b"\0" if len(uid) % 2 else uid


def item(kind, body):
    return struct.pack(">BBH", kind, 0, len(body)) + body


def pdu(kind, body):
    return struct.pack(">BBI", kind, 0, len(body)) + body


def element(group, number, value):
    return struct.pack("<HHI", group, number, len(value)) + value


def us(value):
    return struct.pack("<H", value)


def command(*elements):
    body = b"".join(elements)
    return element(0, 0, struct.pack("<I", len(body))) + body


def pdata(context, header, data):
    return pdu(4, struct.pack(">IBB", len(data) + 2, context, header) + data)


def read_exactly(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise EOFError
        data += chunk
    return data


def read_pdu(sock):
    kind, _, length = struct.unpack(">BBI", read_exactly(sock, 6))
    return kind, read_exactly(sock, length)


def read_message(sock):
    """The PDVs of one message: (context, is command, bytes)."""
    data = b""
    while True:
        kind, body = read_pdu(sock)
        if kind != 4:
            raise EOFError("PDU type %d" % kind)
        at = 0
        while at + 6 <= len(body):
            length, context, header = struct.unpack(">IBB", body[at:at + 6])
            data += body[at + 6:at + 4 + length]
            at += 4 + length
            if header & 2:
                return context, bool(header & 1), data


def elements_of(data):
    found, at = {}, 0
    while at + 8 <= len(data):
        group, number, length = struct.unpack("<HHI", data[at:at + 8])
        found[(group, number)] = data[at + 8:at + 8 + length]
        at += 8 + length
    return found


def associate_rq(called, calling, contexts):
    items = item(0x10, APPLICATION_CONTEXT)
    for context_id, abstract in contexts:
        items += item(0x20, struct.pack(">BBBB", context_id, 0, 0, 0) + item(0x30, abstract) +
                      item(0x40, IMPLICIT))
    items += item(0x50, item(0x51, struct.pack(">I", 16384)))
    return pdu(1, struct.pack(">HH", 1, 0) + called.ljust(16) + calling.ljust(16) + bytes(32) +
               items)


def find(port, keys):
    with socket.create_connection(("127.0.0.1", port)) as sock:
        sock.sendall(associate_rq(b"NORVANE", b"HOSTILE", [(1, STUDY_ROOT_FIND)]))
        kind, _ = read_pdu(sock)
        if kind != 2:
            raise SystemExit("association not accepted")
        request = command(element(0, 2, padded(STUDY_ROOT_FIND)), element(0, 0x100, us(0x20)),
                          element(0, 0x110, us(1)), element(0, 0x700, us(0)),
                          element(0, 0x800, us(0)))
        sock.sendall(pdata(1, 3, request))
        identifier = element(8, 0x52, b"STUDY ") + b"".join(
            element(9, 0x1000 + i, b"KEY%d" % (i % 10)) for i in range(keys))
        for at in range(0, len(identifier), PDV_BYTES):
            last = at + PDV_BYTES >= len(identifier)
            sock.sendall(pdata(1, 2 if last else 0, identifier[at:at + PDV_BYTES]))
        pending = 0
        while True:
            _, _, response = read_message(sock)
            found = elements_of(response)
            status = struct.unpack("<H", found[(0, 0x900)])[0]
            if found.get((0, 0x800)) != us(0x101):
                read_message(sock)
            if status not in (0xFF00, 0xFF01):
                break
            pending += 1
        sock.sendall(pdu(5, bytes(4)))
        print("status 0x%04X, %d pending" % (status, pending))


def endless_archive(port):
    with socket.socket() as listener:
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", port))
        listener.listen(1)
        sock, _ = listener.accept()
        with sock:
            _, body = read_pdu(sock)
            accepted, store_context, at = b"", None, 68
            while at + 4 <= len(body):
                kind, _, length = struct.unpack(">BBH", body[at:at + 4])
                if kind == 0x20:
                    context_id = body[at + 4]
                    abstract = body[at + 12:at + 12 + struct.unpack(">H", body[at + 10:at + 12])[0]]
                    if abstract == CT and store_context is None:
                        store_context = context_id
                    accepted += item(0x21, struct.pack(">BBBB", context_id, 0, 0, 0) +
                                     item(0x40, IMPLICIT))
                at += 4 + length
            roles = item(0x54, struct.pack(">H", len(CT)) + CT + bytes([0, 1]))
            sock.sendall(pdu(2, struct.pack(">HH", 1, 0) + body[4:36] + bytes(32) +
                             item(0x10, APPLICATION_CONTEXT) + accepted +
                             item(0x50, item(0x51, struct.pack(">I", 16384)) + roles)))
            read_message(sock)  # the C-GET-RQ
            read_message(sock)  # its identifier
            store = command(element(0, 2, padded(CT)), element(0, 0x100, us(1)),
                            element(0, 0x110, us(1)), element(0, 0x700, us(0)),
                            element(0, 0x800, us(0)), element(0, 0x1000, b"1.2.3.4\0"))
            sock.sendall(pdata(store_context, 3, store))
            # Pixel Data announced at almost 4 GiB, whose bytes never stop coming.
            chunk = struct.pack("<HHI", 0x7FE0, 0x10, 0xFFFFFFF0) + bytes(PDV_BYTES - 8)
            try:
                while True:
                    sock.sendall(pdata(store_context, 0, chunk))
                    chunk = bytes(PDV_BYTES)
            except OSError:
                pass


if __name__ == "__main__":
    if sys.argv[1] == "find":
        find(int(sys.argv[2]), int(sys.argv[3]))
    else:
        endless_archive(int(sys.argv[2]))
