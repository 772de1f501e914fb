#!/usr/bin/python3
"""How the stand-in holds up against hostile clients, on loopback only:

1. CLIENTS connections (default 600) each send one header byte every 3 to 4 s
   for up to 30 s; meanwhile a well-formed "realBus" is sent ten times and
   timed, and the stand-in's resident memory is read.
2. SIGTERM while those clients still trickle: the time until the process has
   exited, and whether the request log holds the ten requests.
3. A fresh stand-in gets a 200 MiB POST body sent chunked; the growth of its
   peak resident memory is read.

Targets: every realBus answered within 100 ms, resident memory under 100 MB,
the exit within 2 s, the chunked body raising memory by less than 10 MB.
Exits 1 when one is missed.

Usage: bench/standin/hostile_clients.py BUSREAL_STANDIN_BINARY [CLIENTS [STANDIN_OPTION...]]
"""
import random
import socket
import subprocess
import sys
import tempfile
import threading
import time

ENVELOPE = ('<soapenv:Envelope xmlns:soapenv="http://schemas.xmlsoap.org/soap/envelope/" '
            'xmlns:ns1="http://service.realbus.transit/"><soapenv:Body><ns1:realBus><gprsId>16009</gprsId>'
            '<orderNo>20</orderNo><direction>0</direction></ns1:realBus></soapenv:Body></soapenv:Envelope>')
PATH = "/realBus/CXFWebService/bus"


def start(binary, log):
    proc = subprocess.Popen([binary, "--any-ports", "--city=16", "--time=2024-05-06T12:00:00+08:00", "--speed=0",
                             *sys.argv[3:]],
                            stdout=subprocess.PIPE, stderr=log, text=True)
    for line in proc.stdout:
        words = line.split()
        if words[0] == "city":
            port = int(words[3].split(":")[2].split("/")[0])
        if words[0] == "ready":
            return proc, port
    raise SystemExit("the stand-in did not start")


def memory_mb(pid, key):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1]) / 1024
    return 0.0


def real_bus(port):
    """Seconds until a complete realBus reply, or None."""
    body = ENVELOPE.encode()
    request = ("POST %s HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\nContent-Length: %d\r\n"
               "Connection: close\r\n\r\n" % (PATH, len(body))).encode() + body
    t0 = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=60) as s:
        s.sendall(request)
        reply = b""
        while True:
            part = s.recv(65536)
            if not part:
                break
            reply += part
    took = time.monotonic() - t0
    return took if reply.startswith(b"HTTP/1.1 200") and b"</soap:Envelope>" in reply else None


class Tricklers:
    """CLIENTS connections, each sending its first header byte at once and the
    next ones every 3 to 4 s."""

    def __init__(self, port, clients, seconds):
        self.text = ("POST %s HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\nX-Padding: %s\r\n"
                     % (PATH, "x" * 200)).encode()
        self.socks = []
        for _ in range(clients):
            s = socket.create_connection(("127.0.0.1", port))
            s.sendall(self.text[:1])
            s.setblocking(False)
            self.socks.append([s, 1, time.monotonic() + random.uniform(3, 4)])
        self.until = time.monotonic() + seconds
        self.stopping = False
        self.thread = threading.Thread(target=self.run)
        self.thread.start()

    def run(self):
        while not self.stopping and time.monotonic() < self.until:
            now = time.monotonic()
            for entry in self.socks:
                s, sent, due = entry
                if s is None or now < due:
                    continue
                try:
                    s.send(self.text[sent % len(self.text):][:1])
                    entry[1], entry[2] = sent + 1, now + random.uniform(3, 4)
                except OSError:
                    s.close()
                    entry[0] = None
            time.sleep(0.05)

    def connected(self):
        return sum(1 for s, _, _ in self.socks if s is not None)

    def stop(self):
        self.stopping = True
        self.thread.join()
        for s, _, _ in self.socks:
            if s is not None:
                s.close()


def slow_clients(binary, clients):
    with tempfile.TemporaryFile("w+") as log:
        proc, port = start(binary, log)
        tricklers = Tricklers(port, clients, 30)
        time.sleep(2)
        times = []
        for _ in range(10):
            times.append(real_bus(port))
            time.sleep(0.5)
        rss = memory_mb(proc.pid, "VmRSS")
        held = tricklers.connected()
        t0 = time.monotonic()
        proc.terminate()
        try:
            proc.wait(timeout=60)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        stop_s = time.monotonic() - t0
        tricklers.stop()
        log.seek(0)
        logged = sum(1 for line in log if " realBus 200 " in line)
    answered = [t for t in times if t is not None]
    worst = max(answered) * 1000 if answered else float("inf")
    print("%d clients trickling a header byte every 3-4 s (%d still connected after 7 s):" % (clients, held))
    print("  realBus answered %d of 10, slowest %.1f ms (target 100 ms)" % (len(answered), worst))
    print("  resident memory %.1f MB (target under 100 MB)" % rss)
    print("  SIGTERM to exit %.2f s (target 2 s); %d of 10 requests in the log" % (stop_s, logged))
    return len(answered) == 10 and worst < 100 and rss < 100 and stop_s < 2 and logged == 10


def chunked_body(binary, mebibytes=200):
    with tempfile.TemporaryFile("w+") as log:
        proc, port = start(binary, log)
        before = memory_mb(proc.pid, "VmHWM")
        chunk = b" " * 65536
        sent = 0
        status = b"(no reply)"
        with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
            s.sendall(("POST %s HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/xml\r\n"
                       "Transfer-Encoding: chunked\r\n\r\n" % PATH).encode())
            try:
                while sent < mebibytes * 1024 * 1024:
                    s.sendall(b"10000\r\n" + chunk + b"\r\n")
                    sent += len(chunk)
                s.sendall(b"0\r\n\r\n")
            except OSError:
                pass
            try:
                status = s.recv(4096).split(b"\r\n")[0] or status
            except OSError:
                pass
        after = memory_mb(proc.pid, "VmHWM")
        proc.terminate()
        proc.wait(timeout=60)
    print("a %d MiB chunked body: %.1f MiB sent, answered %s" % (mebibytes, sent / 1048576, status.decode(errors="replace")))
    print("  peak resident memory %.1f MB -> %.1f MB, +%.1f MB (target under 10 MB)" % (before, after, after - before))
    return after - before < 10


def main():
    binary = sys.argv[1]
    clients = int(sys.argv[2]) if len(sys.argv) > 2 else 600
    ok = slow_clients(binary, clients)
    ok = chunked_body(binary) and ok
    print("OK" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
