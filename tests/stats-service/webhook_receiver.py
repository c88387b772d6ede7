#!/usr/bin/env python3
"""A webhook receiver on 127.0.0.1 for the service's tests.

Prints "port N" once listening, then one line per POST as it arrives, its fields
separated by tabs: path, the status answered, "json" when the body parses as JSON
(else "bad"), the Content-Type, and the body. The path chooses the answer:
  /ok         204
  /fail       500, always
  /flaky/N    500 for the first N posts to that path, then 204
  /slow/MS    waits MS milliseconds, then 204
  /gone       404
  /gone/...   404 (a path with a secret in it)
  /redirect   302 to /ok
  /endless    a 200 status line, then headers that go on for ten seconds
  /huge       200 with a Content-Length of 10 GB and a few bytes of body
  /limited/N  429 with Retry-After: N for the first post to that path, then 204
  /discord    429 with {"retry_after": 1.5} as its body for the first post, then 204
With --cert FILE (a PEM holding a certificate and its key) it speaks HTTPS.
"""
import argparse
import json
import ssl
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

counts = {}
lock = threading.Lock()


class Receiver(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_POST(self):
        length = min(int(self.headers.get("Content-Length", "0")), 1 << 20)
        body = self.rfile.read(length).decode("utf-8", "replace")
        parts = self.path.strip("/").split("/")
        with lock:
            counts[self.path] = counts.get(self.path, 0) + 1
            seen = counts[self.path]
        status = 204
        if parts[0] == "fail":
            status = 500
        elif parts[0] == "gone":
            status = 404
        elif parts[0] == "redirect":
            status = 302
        elif parts[0] in ("endless", "huge"):
            status = 200
        elif parts[0] in ("limited", "discord") and seen == 1:
            status = 429
        elif parts[0] == "flaky" and seen <= int(parts[1]):
            status = 500
        try:
            json.loads(body)
            shape = "json"
        except ValueError:
            shape = "bad"
        fields = [self.path, str(status), shape, self.headers.get("Content-Type", ""), body]
        with lock:
            print("\t".join(field.replace("\t", " ").replace("\n", " ") for field in fields),
                  flush=True)
        if parts[0] == "slow":
            time.sleep(int(parts[1]) / 1000)
        try:
            if parts[0] == "endless":
                self.wfile.write(b"HTTP/1.1 200 OK\r\n")
                stop = time.monotonic() + 10
                while time.monotonic() < stop:
                    self.wfile.write(b"X-Padding: " + b"a" * 1000 + b"\r\n")
                    time.sleep(0.01)
                return
            if parts[0] == "huge":
                self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: 10000000000\r\n\r\nabc")
                return
            answer = b""
            self.send_response(status)
            if status == 302:
                self.send_header("Location", "/ok")
            elif status == 429 and parts[0] == "limited":
                self.send_header("Retry-After", parts[1])
            elif status == 429:
                answer = b'{"message": "You are being rate limited.", "retry_after": 1.5}'
                self.send_header("Content-Type", "application/json")
            self.send_header("Content-Length", str(len(answer)))
            self.end_headers()
            self.wfile.write(answer)
        except OSError:
            pass  # the service gave up waiting

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Receiver)
    server.daemon_threads = True
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("port", server.server_address[1], flush=True)
    # The test kills it; should it not, it ends after ten minutes.
    stopper = threading.Timer(600, server.shutdown)
    stopper.daemon = True
    stopper.start()
    server.serve_forever()


if __name__ == "__main__":
    main()
