"""Two stand-ins serving the same feed behind HAProxy (Debian's haproxy), run
with the configuration that standin/README.md gives, all on free loopback
ports. Four clients send realBus through HAProxy; one stand-in gets SIGTERM in
the middle. Every answer must equal the one a stand-in gave before, and every
request must be answered, a request that crossed the close of a kept-alive
connection after being sent once more as HTTP clients do.

Usage: haproxy_two_standins.py BUSREAL_STANDIN_BINARY GTFS_FEED_FOLDER README
"""
import http.client
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

ENVELOPE = ('<soapenv:Envelope xmlns:soapenv="http://schemas.xmlsoap.org/soap/envelope/" '
            'xmlns:ns1="http://service.realbus.transit/"><soapenv:Body><ns1:realBus><gprsId>1</gprsId>'
            '<orderNo>4</orderNo><direction>0</direction></ns1:realBus></soapenv:Body></soapenv:Envelope>')
PATH = "/realBus/CXFWebService/bus"
CLIENTS, REQUESTS = 4, 300  # requests per client


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_standin(binary, feed, city_port, directory_port, log):
    proc = subprocess.Popen([binary, "--no-bundled", "--gtfs=%s,utc=+08:00,port=%d" % (feed, city_port),
                             "--directory-port=%d" % directory_port, "--time=2024-05-06T08:12:00+08:00", "--speed=0"],
                            stdout=subprocess.PIPE, stderr=log, text=True)
    for line in proc.stdout:
        if line.strip() == "ready":
            return proc
    proc.wait(timeout=20)
    raise AssertionError("a stand-in did not start")


def post(conn):
    conn.request("POST", PATH, ENVELOPE, {"Content-Type": "text/xml;charset=UTF-8"})
    reply = conn.getresponse()
    return reply.status, reply.read()


def config_from(readme):
    with open(readme, encoding="utf-8") as f:
        found = re.search(r"```haproxy\n(.*?)```", f.read(), re.S)
    assert found, "no haproxy block in " + readme
    return found.group(1)


def wait_for(port, deadline=20):
    until = time.monotonic() + deadline
    while time.monotonic() < until:
        try:
            conn = http.client.HTTPConnection("127.0.0.1", port, timeout=5)
            if post(conn)[0] == 200:
                return
        except OSError:
            pass
        time.sleep(0.1)
    raise AssertionError("nothing answers on port %d" % port)


def main():
    binary, feed, readme = sys.argv[1:4]
    haproxy = shutil.which("haproxy") or "/usr/sbin/haproxy"
    assert os.path.exists(haproxy), "haproxy is not installed (scripts/deps.sh installs it)"
    ports = {name: free_port() for name in ("CITY_BIND", "CITY_1", "CITY_2", "DIRECTORY_BIND", "DIRECTORY_1", "DIRECTORY_2")}
    work = tempfile.mkdtemp()
    logs = [open(os.path.join(work, "standin%d.log" % i), "w+") for i in (1, 2)]
    standins = [start_standin(binary, feed, ports["CITY_%d" % i], ports["DIRECTORY_%d" % i], logs[i - 1]) for i in (1, 2)]
    balancer = None
    try:
        status, expected = post(http.client.HTTPConnection("127.0.0.1", ports["CITY_1"], timeout=10))
        assert status == 200 and b"<return>[" in expected, expected
        cfg = os.path.join(work, "realbus-haproxy.cfg")
        with open(cfg, "w") as f:
            f.write(config_from(readme))
        env = dict(os.environ, **{k: "127.0.0.1:%d" % v for k, v in ports.items()})
        balancer = subprocess.Popen([haproxy, "-db", "-f", cfg], env=env, stdout=subprocess.DEVNULL,
                                    stderr=logs[0], text=True)
        try:
            wait_for(ports["CITY_BIND"])
        except AssertionError:
            balancer.terminate()
            balancer.wait(timeout=10)
            logs[0].seek(0)
            raise AssertionError("HAProxy does not answer: " + logs[0].read())

        lock = threading.Lock()
        results = []  # (answered after the stop, status or the error)
        resent = []  # requests sent again on a new connection
        stopped = threading.Event()

        def client():
            conn = http.client.HTTPConnection("127.0.0.1", ports["CITY_BIND"], timeout=10)
            for _ in range(REQUESTS):
                for attempt in (1, 2):
                    reused = conn.sock is not None
                    try:
                        status, body = post(conn)
                        outcome = "ok" if status == 200 and body == expected else "HTTP %d" % status
                        break
                    except (OSError, http.client.HTTPException) as e:
                        outcome = type(e).__name__
                        conn.close()
                        # A kept-alive connection closed with no reply as the request crossed it: an
                        # HTTP client sends the request once more on a new connection, as the app's
                        # transport (libcurl) does. Anything else, or a second time, is a failure.
                        crossed = isinstance(e, (http.client.RemoteDisconnected, ConnectionResetError, BrokenPipeError))
                        if attempt == 2 or not reused or not crossed:
                            break
                        with lock:
                            resent.append(outcome)
                with lock:
                    results.append((stopped.is_set(), outcome))

        threads = [threading.Thread(target=client) for _ in range(CLIENTS)]
        for t in threads:
            t.start()
        while True:
            with lock:
                if len(results) >= CLIENTS * REQUESTS // 3:
                    break
            time.sleep(0.01)
        standins[0].send_signal(signal.SIGTERM)
        stopped.set()
        for t in threads:
            t.join()
        assert standins[0].wait(timeout=10) == 0
        logs[0].seek(0)
        served = sum(1 for line in logs[0] if " realBus 200 " in line)
    finally:
        for p in [balancer] + standins:
            if p and p.poll() is None:
                p.send_signal(signal.SIGTERM)
                p.wait(timeout=10)
        for log in logs:
            log.close()
        shutil.rmtree(work)

    failed = [outcome for _, outcome in results if outcome != "ok"]
    after = sum(1 for later, outcome in results if later and outcome == "ok")
    print("%d realBus requests through HAProxy, %d failed %s, %d sent again on a new connection %s; "
          "the stopped stand-in answered %d; %d were answered after it stopped"
          % (len(results), len(failed), sorted(set(failed)), len(resent), sorted(set(resent)), served, after))
    assert len(results) == CLIENTS * REQUESTS
    assert not failed, failed
    assert len(resent) <= CLIENTS, resent  # at most the one crossing the switch on each connection
    assert after > CLIENTS * REQUESTS // 3, after
    assert served > 0, "the balancer never used the stand-in that stopped"


if __name__ == "__main__":
    main()
