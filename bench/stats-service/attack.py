#!/usr/bin/env python3
"""Attacks on a running lindrel-stats, on loopback only, each bounded in time and count.

  attack.py BIN_DIR [--seconds N]

BIN_DIR holds lindrel-stats and lindrel-demo-servers (one build: the demo servers answer
the way that build's service queries). For each attack it prints what a normal client saw.
"""
import argparse
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time

POLL = b"GET /?d=1,2,3,4,5&t=0,0,0,0,0&s= HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"


def free_port(kind=socket.SOCK_STREAM):
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def exchange(port, request, source="127.0.0.2", timeout=2.0):
    """The reply's bytes, or None when nothing came within timeout."""
    try:
        with socket.socket() as s:
            s.settimeout(timeout)
            s.bind((source, 0))
            s.connect(("127.0.0.1", port))
            s.sendall(request)
            data = b""
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                data += chunk
            return data
    except OSError:
        return None


def poll_while(port, seconds, every=0.25):
    """Polls as a monitor would; returns (answered, sent, sorted latencies in ms)."""
    latencies, sent = [], 0
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        sent += 1
        start = time.monotonic()
        reply = exchange(port, POLL)
        if reply and reply.startswith(b"HTTP/1.1 200") and b"\n5|" in reply:
            latencies.append((time.monotonic() - start) * 1000)
        time.sleep(every)
    return len(latencies), sent, sorted(latencies)


def report(name, answered, sent, latencies):
    p50 = latencies[len(latencies) // 2] if latencies else float("nan")
    p99 = latencies[min(len(latencies) - 1, int(len(latencies) * 0.99))] if latencies else float("nan")
    print(f"{name}: {answered} of {sent} polls answered ({100 * answered / max(sent, 1):.1f} %), "
          f"p50 {p50:.1f} ms, p99 {p99:.1f} ms", flush=True)


class Service:
    def __init__(self, bins, config_text, work):
        self.config = os.path.join(work, "service.toml")
        with open(self.config, "w") as f:
            f.write(config_text)
        self.log = open(os.path.join(work, "service.log"), "w")
        self.process = subprocess.Popen([os.path.join(bins, "lindrel-stats"), "--config", self.config],
                                        stdout=self.log, stderr=subprocess.STDOUT)
        time.sleep(1.0)

    def stop(self):
        self.process.kill()
        self.process.wait()
        self.log.close()


def config_text(http, first_game, extra="", state=""):
    lines = ["[service]", f'listen = "127.0.0.1:{http}"', "refresh_ms = 1000"]
    if state:
        lines.append(f'state_file = "{state}"')
    for i in range(5):
        lines += ["[[directory]]", f"id = {i + 1}", 'address = "127.0.0.1"', f"port = {first_game + i}"]
    return "\n".join(lines) + "\n" + extra


def slow_senders(port, count, stop):
    """count connections from 127.0.0.1, each sending one byte of a head every 4 s."""
    def connect():
        try:
            s = socket.create_connection(("127.0.0.1", port), timeout=1)
            s.setblocking(False)
            sockets.append(s)
        except OSError:
            pass

    sockets = []
    for _ in range(count):
        connect()
    head = b"GET /?d=1 HTTP/1.1\r\nHost: slow\r\n"
    index = 0
    while not stop.is_set():
        for s in list(sockets):
            try:
                s.send(head[index % len(head):index % len(head) + 1])
            except OSError:
                sockets.remove(s)
                connect()
        index += 1
        stop.wait(4)
    for s in sockets:
        s.close()


def idle_connections(port, count, stop):
    """count connections from as many loopback addresses, never sending a byte; each one
    closed by the service is opened again."""
    sockets = {}
    while not stop.is_set():
        for i in range(count):
            source = f"127.0.{10 + i // 250}.{1 + i % 250}"
            if source in sockets:
                try:
                    if sockets[source].recv(1, socket.MSG_DONTWAIT | socket.MSG_PEEK) == b"":
                        sockets.pop(source).close()
                except BlockingIOError:
                    continue
                except OSError:
                    sockets.pop(source).close()
            try:
                s = socket.socket()
                s.bind((source, 0))
                s.settimeout(1)
                s.connect(("127.0.0.1", port))
                sockets[source] = s
            except OSError:
                s.close()
        stop.wait(0.5)
    for s in sockets.values():
        s.close()


def flood(bins, work, first_game, seconds, attacker, count):
    http = free_port()
    service = Service(bins, config_text(http, first_game), work)
    stop = threading.Event()
    thread = threading.Thread(target=attacker, args=(http, count, stop))
    thread.start()
    time.sleep(2)
    try:
        return poll_while(http, seconds)
    finally:
        stop.set()
        thread.join()
        service.stop()


def spoof(bins, work, first_game, seconds):
    """A watched server that is down, and a forger sending 50 of its replies a second from
    its address and port. Counts the polls that show it up."""
    http = free_port()
    victim = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    victim.bind(("127.0.0.1", 0))
    extra = f'[[servers]]\nid = 77\naddress = "127.0.0.1"\nport = {victim.getsockname()[1]}\n'
    service = Service(bins, config_text(http, first_game, extra), work)
    stop = threading.Event()

    def forge():
        query_port = None
        n = 0
        while not stop.is_set():
            try:
                victim.settimeout(0.001)
                _, sender = victim.recvfrom(2048)
                query_port = sender[1]
            except OSError:
                pass
            if query_port:
                fake = b"\xff\xff\xff\xffstatusResponse\n\\challenge\\%d\\mapname\\fake\\sv_hostname\\Fake\n" % n
                victim.sendto(fake, ("127.0.0.1", query_port))
                n += 1
            time.sleep(0.02)

    thread = threading.Thread(target=forge)
    thread.start()
    shown_up = polls = 0
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        reply = exchange(http, POLL.replace(b"d=1,2,3,4,5", b"d=77"))
        if reply and b"77|" in reply:
            polls += 1
            shown_up += b"|DOWN|" not in reply
        time.sleep(1)
    stop.set()
    thread.join()
    service.stop()
    victim.close()
    print(f"forged replies at 50/s from a down server's address: {shown_up} of {polls} polls showed it up",
          flush=True)


def racing_lookups(bins, work, first_game):
    """Eight lookups at once, cap 2; then a restart."""
    http = free_port()
    state = os.path.join(work, "racing.state")
    extra = "[lookup]\nmax_registered = 2\nper_minute = 100\nper_client_per_minute = 100\n"
    text = config_text(http, first_game, extra, state).replace("refresh_ms = 1000",
                                                               "refresh_ms = 1000\nquery_timeout_ms = 1500")
    servers = []
    for _ in range(8):
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind(("127.0.0.1", 0))
        servers.append(s)

    def answer_late(s):
        s.settimeout(5)
        try:
            query, sender = s.recvfrom(2048)
        except OSError:
            return
        time.sleep(0.3)
        challenge = query[14:].strip()
        s.sendto(b"\xff\xff\xff\xffstatusResponse\n\\challenge\\" + challenge +
                 b"\\mapname\\q3dm1\\sv_hostname\\S\n", sender)

    def lookups():
        results = [None] * 8
        def one(i):
            request = f"GET /?r=127.0.0.1:{servers[i].getsockname()[1]},10 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
            results[i] = exchange(http, request.encode(), timeout=5)
        threads = [threading.Thread(target=one, args=(i,)) for i in range(8)]
        threads += [threading.Thread(target=answer_late, args=(s,)) for s in servers]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        return sorted(r.split(b"\r\n\r\n", 1)[1] for r in results if r and b"NO SERVER FOUND" not in r)

    service = Service(bins, text, work)
    first = lookups()
    service.stop()
    service = Service(bins, text, work)
    second = lookups()
    service.stop()
    for s in servers:
        s.close()
    print(f"8 concurrent lookups, cap 2: {len(first)} registered; after a restart {len(second)} "
          f"found, {'the same' if first == second[:len(first)] and len(first) == len(second) else 'not the same'}",
          flush=True)


def heavy_polls(bins, demo_bins, work, seconds):
    """64 servers of 256 players; wrk sends the largest "d=" polls there are (64 ids, 16
    wanted names that most players hold) on 32 connections while a monitor polls."""
    http = free_port()
    first = 34000
    demo = subprocess.Popen([os.path.join(demo_bins, "lindrel-demo-servers"), "--count", "64",
                             "--port", str(first), "--players", "256"], stdout=subprocess.DEVNULL)
    lines = ["[service]", f'listen = "127.0.0.1:{http}"', "refresh_ms = 5000"]
    for i in range(64):
        lines += ["[[directory]]" if i < 5 else "[[servers]]", f"id = {i + 1}",
                  'address = "127.0.0.1"', f"port = {first + i}"]
    time.sleep(0.5)
    service = Service(bins, "\n".join(lines) + "\n", work)
    time.sleep(1.5)
    ids = ",".join(str(i + 1) for i in range(64))
    wanted = ".,an,er,ar,ra,or,ri,ss,on,ge,ke,in,el,et,ai,os"
    url = f"http://127.0.0.1:{http}/?d={ids}&t=&s={wanted}"
    size = len(exchange(http, f"GET /?d={ids}&t=&s={wanted} HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n".encode(), timeout=10) or b"")
    wrk = subprocess.Popen(["wrk", "-t1", "-c32", f"-d{seconds}s", url], stdout=subprocess.PIPE, text=True)
    time.sleep(1)
    result = poll_while(http, seconds - 2)
    out, _ = wrk.communicate()
    rate = [line.split()[1] for line in out.splitlines() if line.startswith("Requests/sec")]
    service.stop()
    demo.kill()
    demo.wait()
    report(f"largest polls on 32 connections ({rate[0] if rate else '?'}/s, {size // 1024} KiB each)", *result)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bins")
    parser.add_argument("--seconds", type=int, default=30)
    parser.add_argument("--demo-bins", help="lindrel-demo-servers with --players (default: BIN_DIR)")
    args = parser.parse_args()
    first_game = 32000
    demo = subprocess.Popen([os.path.join(args.bins, "lindrel-demo-servers"), "--count", "5",
                             "--port", str(first_game)], stdout=subprocess.DEVNULL)
    time.sleep(0.5)
    try:
        with tempfile.TemporaryDirectory() as work:
            report("300 slow senders from one address", *flood(args.bins, work, first_game, args.seconds, slow_senders, 300))
            report("1,000 idle connections from 1,000 addresses", *flood(args.bins, work, first_game, args.seconds, idle_connections, 1000))
            spoof(args.bins, work, first_game, min(args.seconds, 20))
            racing_lookups(args.bins, work, first_game)
            heavy_polls(args.bins, args.demo_bins or args.bins, work, min(args.seconds, 20))
    finally:
        demo.kill()
        demo.wait()


if __name__ == "__main__":
    sys.exit(main())
