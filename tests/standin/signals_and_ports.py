"""The stand-in program stops cleanly on SIGINT and on SIGTERM, and refuses to
start on a port that is already taken.

Usage: signals_and_ports.py BUSREAL_STANDIN_BINARY
"""
import signal
import socket
import subprocess
import sys
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


def main():
    binary = sys.argv[1]
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

    taken = socket.socket()
    taken.bind(("127.0.0.1", 0))
    taken.listen()
    port = taken.getsockname()[1]
    proc = subprocess.run([binary, "--city=16:%d" % port, "--directory-port=0"],
                          capture_output=True, text=True, timeout=20)
    taken.close()
    assert proc.returncode == 1, (proc.returncode, proc.stderr)
    assert str(port) in proc.stderr, proc.stderr
    print("signals and ports: ok")


if __name__ == "__main__":
    main()
