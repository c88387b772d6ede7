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
A Discord webhook's messages, as its public documentation describes them:
  /live/NAME?wait=true                 makes a message: 200 with it, with its "id"
  PATCH /live/NAME/messages/ID         edits it: 200, or 404 for an id it does not hold
  DELETE /live/NAME/messages/ID        deletes it: 204 (not printed)
  /livelimited/NAME...                 the same, but the first edit is answered 429 with
                                       {"retry_after": 1.5}
With --cert FILE (a PEM holding a certificate and its key) it speaks HTTPS.
"""
import argparse
import json
import ssl
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

counts = {}
messages = {}  # live message ids, by webhook name
next_id = [1187000000000000001]
lock = threading.Lock()


class Receiver(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def read_body(self):
        length = min(int(self.headers.get("Content-Length", "0")), 1 << 20)
        return self.rfile.read(length).decode("utf-8", "replace")

    def print_line(self, status, body, shape=None):
        if shape is None:
            try:
                json.loads(body)
                shape = "json"
            except ValueError:
                shape = "bad"
        fields = [self.path, str(status), shape, self.headers.get("Content-Type", ""), body]
        with lock:
            print("\t".join(field.replace("\t", " ").replace("\n", " ") for field in fields),
                  flush=True)

    def answer(self, status, body=b""):
        self.send_response(status)
        if body:
            self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def live(self, method):
        body = self.read_body() if method != "DELETE" else ""
        path, _, query = self.path.partition("?")
        parts = path.strip("/").split("/")
        name = parts[1] if len(parts) > 1 else ""
        status, answer = 404, b'{"message": "Unknown Webhook", "code": 10015}'
        with lock:
            held = messages.setdefault(name, set())
            seen = counts[(name, method)] = counts.get((name, method), 0) + 1
            if method == "POST" and len(parts) == 2:
                if "wait=true" in query.split("&"):
                    message_id = str(next_id[0])
                    next_id[0] += 1
                    held.add(message_id)
                    status, answer = 200, message_id
                else:
                    status, answer = 204, None
            elif len(parts) == 4 and parts[2] == "messages":
                if parts[3] not in held:
                    status, answer = 404, b'{"message": "Unknown Message", "code": 10008}'
                elif method == "DELETE":
                    held.discard(parts[3])
                    status, answer = 204, None
                elif parts[0] == "livelimited" and seen == 1:
                    status = 429
                    answer = b'{"message": "You are being rate limited.", "retry_after": 1.5}'
                else:
                    status, answer = 200, parts[3]
        if isinstance(answer, str):
            # The message object, its author's id before its own.
            answer = json.dumps({"type": 0, "author": {"id": "42", "bot": True},
                                 "content": json.loads(body).get("content", ""),
                                 "embeds": [], "id": answer, "webhook_id": "42"}).encode()
        if method != "DELETE":
            self.print_line(status, body)
        self.answer(status, answer or b"")

    def do_PATCH(self):
        self.live("PATCH")

    def do_DELETE(self):
        self.live("DELETE")

    def do_POST(self):
        parts = self.path.strip("/").split("/")
        if parts[0] in ("live", "livelimited"):
            self.live("POST")
            return
        body = self.read_body()
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
        self.print_line(status, body)
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
