#!/usr/bin/python3
"""An FTP server on 127.0.0.1 for the tests: ftp_server.py ROOT USER PASSWORD [BYTES_PER_S].

Prints the port it listens on, then serves until it is killed. Active and passive
transfers both stay on loopback. The port is below 32768, as the program's FTP client
takes no higher one. With BYTES_PER_S, downloads are sent no faster than that, so that a
test can break one off in the middle."""
import random
import socket
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, user, password = sys.argv[1:4]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.passive_ports = None
    handler.permit_foreign_addresses = False
    if len(sys.argv) > 4:
        ThrottledDTPHandler.write_limit = int(sys.argv[4])
        handler.dtp_handler = ThrottledDTPHandler
    server = None
    for _ in range(200):
        try:
            server = FTPServer(("127.0.0.1", random.randint(20000, 32767)), handler)
            break
        except (OSError, socket.error):
            continue
    if server is None:
        sys.exit("no free port below 32768")
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
