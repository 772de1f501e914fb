"""The stand-in program stops cleanly on SIGINT and on SIGTERM, within 2 s even
while clients hold half-sent requests and a realtime source trickles its
message, with its request log written out; it refuses to start on a port that
is already taken, and turns down clashing options with status 2.

Usage: signals_and_ports.py BUSREAL_STANDIN_BINARY GTFS_FEED_FOLDER
"""
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.request


def start(binary, *args):
    proc = subprocess.Popen([binary, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    lines = []
    for line in proc.stdout:
        lines.append(line.split())
        if line.strip() == "ready":
            return proc, lines
    out, err = proc.communicate(timeout=20)
    raise AssertionError("did not start: " + err)


class TricklingSource:
    """A realtime source on loopback that answers 200 and then sends a byte
    every half second, for 30 s at most."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.url = "http://127.0.0.1:%d/vehicles" % self.listener.getsockname()[1]
        self.asked = threading.Event()
        self.stopping = threading.Event()
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        self.listener.settimeout(30)
        try:
            conn, _ = self.listener.accept()
        except OSError:
            return
        with conn:
            conn.recv(4096)
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/x-protobuf\r\nContent-Length: 1000\r\n\r\n")
            self.asked.set()
            for _ in range(60):
                if self.stopping.wait(0.5):
                    break
                try:
                    conn.sendall(b"\x0a")
                except OSError:
                    break

    def close(self):
        self.stopping.set()
        self.listener.close()


def stops_in_time_whatever_clients_and_sources_do(binary, feed):
    source = TricklingSource()
    proc, lines = start(binary, "--any-ports", "--city=16",
                        "--gtfs=%s,utc=+08:00,realtime=%s,poll=1" % (feed, source.url))
    try:
        assert source.asked.wait(20), "the realtime source was never asked"
        city = next(l[3] for l in lines if l[0] == "city" and l[1] == "16")
        port = int(city.split(":")[2].split("/")[0])
        waiting = []
        for _ in range(100):
            s = socket.create_connection(("127.0.0.1", port))
            s.sendall(b"POST /realBus/CXFWebService/bus HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Le")
            waiting.append(s)
        wsdl = next(l[1] for l in lines if l[0] == "directory") + "?wsdl"
        with urllib.request.urlopen(wsdl, timeout=10) as reply:
            assert b"queryCity" in reply.read()
        t0 = time.monotonic()
        proc.send_signal(signal.SIGTERM)
        _, err = proc.communicate(timeout=40)
        took = time.monotonic() - t0
        for s in waiting:
            s.close()
    finally:
        source.close()
        if proc.poll() is None:
            proc.kill()
            proc.wait()
    assert proc.returncode == 0, (proc.returncode, err)
    assert took < 2, "SIGTERM took %.1f s" % took
    assert any(l.endswith("us") and "directory GET ?wsdl 200" in l for l in err.splitlines()), err


def main():
    binary, feed = sys.argv[1], sys.argv[2]
    for sig, name in ((signal.SIGINT, "SIGINT"), (signal.SIGTERM, "SIGTERM")):
        proc, lines = start(binary, "--any-ports", "--city=16")
        wsdl = next(l[1] for l in lines if l[0] == "directory") + "?wsdl"
        with urllib.request.urlopen(wsdl, timeout=10) as reply:
            assert b"queryCity" in reply.read()
        proc.send_signal(sig)
        _, err = proc.communicate(timeout=20)
        assert proc.returncode == 0, (name, proc.returncode, err)
        assert "stopping on " + name in err, err
        # The request above was logged on its own line.
        assert any(l.endswith("us") and "directory GET ?wsdl 200" in l for l in err.splitlines()), err
    stops_in_time_whatever_clients_and_sources_do(binary, feed)

    taken = socket.socket()
    taken.bind(("127.0.0.1", 0))
    taken.listen()
    port = taken.getsockname()[1]
    proc = subprocess.run([binary, "--city=16:%d" % port, "--directory-port=0"],
                          capture_output=True, text=True, timeout=20)
    taken.close()
    assert proc.returncode == 1, (proc.returncode, proc.stderr)
    assert str(port) in proc.stderr, proc.stderr

    for args, option in ((["--city=16", "--city=16"], "--city"), (["--gtfs=%s,id=16" % feed], "--gtfs")):
        proc = subprocess.run([binary, "--any-ports", *args], capture_output=True, text=True, timeout=20)
        assert proc.returncode == 2 and option + ":" in proc.stderr, (args, proc.returncode, proc.stderr)
    print("signals and ports: ok")


if __name__ == "__main__":
    main()
