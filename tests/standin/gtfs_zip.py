"""The stand-in program serves a GTFS zip, its tables in a folder of the zip,
as it serves the unpacked feed folder: one program serves both, on free ports,
and every line, direction and vehicle of the two reads the same. A file that
is no zip stops the program with status 1, naming the file.

Usage: gtfs_zip.py BUSREAL_STANDIN_BINARY GTFS_FEED_FOLDER
"""
import json
import os
import signal
import subprocess
import sys
import tempfile
import zipfile

import zeep


def without_city(line):
    """A queryLine answer less the city ids, which are the two feeds' own;
    none for a direction the line does not run."""
    line = json.loads(line or '{"stations": []}')
    for item in [line] + line["stations"]:
        item.pop("cityId", None)
    return line


def main():
    binary, feed = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        zipped = os.path.join(tmp, "city.zip")
        with zipfile.ZipFile(zipped, "w", zipfile.ZIP_DEFLATED) as z:
            for name in sorted(os.listdir(feed)):
                z.write(os.path.join(feed, name), "city-gtfs/" + name)
        proc = subprocess.Popen(
            [binary, "--no-bundled", "--any-ports", "--quiet", "--time=2024-05-06T08:12:00+08:00", "--speed=0",
             "--gtfs=%s,id=90,utc=+08:00" % feed, "--gtfs=%s,id=91,utc=+08:00" % zipped],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        try:
            cities = {}
            for line in proc.stdout:
                words = line.split()
                if words[0] == "city":
                    cities[int(words[1])] = words[3]
                elif words[0] == "ready":
                    break
            assert set(cities) == {90, 91}, cities
            folder, zip_ = (zeep.Client(cities[c] + "?wsdl").service for c in (90, 91))
            served, moving = 0, 0
            for line_id in (1, 2):
                for direction in (0, 1):
                    line = without_city(folder.queryLine(direction=direction, lineId=line_id))
                    assert without_city(zip_.queryLine(direction=direction, lineId=line_id)) == line, (line_id, direction)
                    stops = line["stations"]
                    served += len(stops)
                    for order in range(1, len(stops) + 1):
                        asked = dict(gprsId=line_id, orderNo=order, direction=direction)
                        buses = folder.realBus(**asked)
                        assert zip_.realBus(**asked) == buses, asked
                        moving += len(json.loads(buses or "[]"))
            assert served and moving, "no stops or no vehicles served"
        finally:
            proc.send_signal(signal.SIGTERM)
            _, err = proc.communicate(timeout=20)
        assert proc.returncode == 0, (proc.returncode, err)

        bad = os.path.join(tmp, "bad.zip")
        with open(bad, "wb") as f:
            f.write(b"PK, or so it says")
        run = subprocess.run([binary, "--no-bundled", "--any-ports", "--gtfs=" + bad], capture_output=True, text=True,
                             timeout=20)
        assert run.returncode == 1 and bad + ": cannot be read as a zip" in run.stderr, (run.returncode, run.stderr)
    print("gtfs_zip: the zip serves as the folder does")


if __name__ == "__main__":
    main()
