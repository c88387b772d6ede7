#!/usr/bin/env python3
"""Fetches the given paths from 127.0.0.1:PORT once a second, count times, on one kept-alive
connection, as a browser left open and a Prometheus server would: fetch.py PORT COUNT PATH...
One process and one connection, so that the fetching takes as little as it can from the
machine the load run measures."""
import http.client
import sys
import time

port, count, paths = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3:]
connection = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
for _ in range(count):
    for path in paths:
        connection.request("GET", path)
        connection.getresponse().read()
    time.sleep(1)
