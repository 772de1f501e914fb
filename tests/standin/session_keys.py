"""The stand-in program run as the session runs it (--session, with its
configuration file under XDG_CONFIG_HOME) serves a feed whose realtime source
wants a key in a header (from {env:}) and one in its address (from {file:}):
the source is asked with both and goes live; when it then refuses, the log
says so with the keys as ***. Neither key ever shows on standard error, nor
in --help.

Usage: session_keys.py BUSREAL_STANDIN_BINARY GTFS_FEED_FOLDER REALTIME_MESSAGE_FILE
"""
import http.server
import os
import queue
import signal
import subprocess
import sys
import tempfile
import threading
import urllib.parse

HEADER_KEY = "hdr-6d1f-key"
QUERY_KEY = "qry-90ab-key"


def main():
    binary, feed, message_file = sys.argv[1:4]
    with open(message_file, "rb") as f:
        message = f.read()
    refusing = threading.Event()

    class Source(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            query = urllib.parse.parse_qs(urllib.parse.urlparse(self.path).query)
            keyed = self.headers.get("X-Api-Key") == HEADER_KEY and query.get("api_key") == [QUERY_KEY]
            body = message if keyed and not refusing.is_set() else b""
            self.send_response(200 if body else 403)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Source)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    address = "http://127.0.0.1:%d/vp" % server.server_address[1]

    with tempfile.TemporaryDirectory() as home:
        os.makedirs(os.path.join(home, "busreal"))
        with open(os.path.join(home, "busreal", "query.key"), "w") as f:
            f.write(QUERY_KEY + "\n")
        conf = os.path.join(home, "busreal", "standin.conf")
        with open(conf, "w") as f:
            f.write('bundled = false\n[[city]]\nfeed = "%s"\nutc = "+08:00"\npoll = 1\n'
                    '[[city.realtime]]\nurl = "%s?api_key={file:query.key}"\n'
                    'headers = { "x-api-key" = "{env:HEADER_KEY}" }\n' % (feed, address))
        env = dict(os.environ, XDG_CONFIG_HOME=home, HEADER_KEY=HEADER_KEY)

        proc = subprocess.Popen([binary, "--session", "--any-ports"], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True)
        lines = queue.Queue()
        threading.Thread(target=lambda: [lines.put(l) for l in proc.stderr], daemon=True).start()
        err = []

        def wait_for(text):
            while True:
                try:
                    line = lines.get(timeout=20)
                except queue.Empty:
                    raise AssertionError("no line with %r in:\n%s" % (text, "".join(err)))
                err.append(line)
                if text in line:
                    return

        try:
            wait_for("serving what %s lists" % conf)
            wait_for("city 90 realtime: live data from 1 source(s)")
            refusing.set()
            wait_for("city 90 realtime: %s?api_key=*** [x-api-key: ***]: answered HTTP 403" % address)
        finally:
            proc.send_signal(signal.SIGTERM)
            proc.wait(timeout=20)
            server.shutdown()
        help_text = subprocess.run([binary, "--help"], env=env, capture_output=True, text=True, timeout=20).stdout
    for key in (HEADER_KEY, QUERY_KEY):
        assert key not in "".join(err), "".join(err)
        assert key not in help_text
    assert "{env:" in help_text and "***" in help_text, help_text
    print("session keys: ok")


if __name__ == "__main__":
    main()
