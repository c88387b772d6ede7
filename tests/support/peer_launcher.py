#!/usr/bin/python3
"""Starts the tests' Linux peers for tests that run under wine: peer_launcher.py PREFIX.

Listens on 127.0.0.1 and a free port, which it prints. Each connection names one peer:
a line of tab-separated arguments, in which a Windows path of the wine prefix PREFIX
("C:\\users\\...") is given as the Linux path it stands for. The peer's standard output
goes back over the connection. "kill" on the connection, or its end, ends the peer; the
launcher then says "killed". It serves until it is killed itself."""
import os
import re
import socket
import subprocess
import sys
import threading

WINDOWS_PATH = re.compile(r"^([A-Za-z]):\\(.*)$")


def unix_path(prefix, argument):
    match = WINDOWS_PATH.match(argument)
    if not match:
        return argument
    drive = os.path.realpath(os.path.join(prefix, "dosdevices", match.group(1).lower() + ":"))
    return os.path.join(drive, match.group(2).replace("\\", "/"))


def serve(prefix, connection):
    with connection:
        reader = connection.makefile("rb")
        line = reader.readline().decode().rstrip("\n")
        if not line:
            return
        argv = [unix_path(prefix, argument) for argument in line.split("\t")]
        peer = subprocess.Popen(argv, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)

        def forward():
            for output in peer.stdout:
                try:
                    connection.sendall(output)
                except OSError:
                    return

        threading.Thread(target=forward, daemon=True).start()
        while True:
            command = reader.readline()
            if not command or command.strip() == b"kill":
                break
        peer.kill()
        peer.wait()
        try:
            connection.sendall(b"killed\n")
        except OSError:
            pass


def main():
    prefix = sys.argv[1]
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        connection, _ = listener.accept()
        threading.Thread(target=serve, args=(prefix, connection), daemon=True).start()


if __name__ == "__main__":
    main()
