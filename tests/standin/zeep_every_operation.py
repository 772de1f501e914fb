"""A standard SOAP client reads each endpoint's WSDL and calls every operation
of the stand-in program, which this script starts on free ports and stops.

Usage: zeep_every_operation.py BUSREAL_STANDIN_BINARY GTFS_FEED_FOLDER REALTIME_FILE
"""
import json
import signal
import subprocess
import sys

import zeep


def main():
    binary, feed, realtime = sys.argv[1], sys.argv[2], sys.argv[3]
    proc = subprocess.Popen(
        [binary, "--any-ports", "--quiet", "--time=2024-05-06T12:00:00+08:00", "--speed=0",
         "--gtfs=" + feed + ",utc=+08:00,realtime=" + realtime],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        directory, cities = None, {}
        for line in proc.stdout:
            words = line.split()
            if words[0] == "directory":
                directory = words[1]
            elif words[0] == "city":
                cities[int(words[1])] = words[3]
            elif words[0] == "ready":
                break
        assert directory and 16 in cities and 90 in cities, (directory, cities)

        listed = json.loads(zeep.Client(directory + "?wsdl").service.queryCity())
        assert {c["codeValue"] for c in listed} == set(cities), listed
        for c in listed:
            assert cities[c["codeValue"]].startswith(c["ylzd2"] + "/"), c

        city = zeep.Client(cities[16] + "?wsdl").service
        hits = json.loads(city.queryKeyword(keyword="鼓楼"))
        assert hits and all(h["attribute"] == 1 and h["stationName"] == "鼓楼" for h in hits), hits
        line = json.loads(city.queryLine(direction=0, lineId=hits[0]["lineId"]))
        stops = line["stations"]
        assert stops[-1]["flagId"] == 2 and any(s["stationName"] == "鼓楼" for s in stops), line
        buses = json.loads(city.realBus(gprsId=line["gprsId"], orderNo=len(stops), direction=0))
        assert buses and all(set(b) == {"licensePlate", "stationNo", "inStation", "toNextStop"} for b in buses), buses
        text = city.realBusStation(gprsId=line["gprsId"], orderNo=len(stops), direction=0)
        assert isinstance(text, str) and text, repr(text)

        # 大同's file gives line 9 one alert at its 古城墙 stop.
        alerts = json.loads(city.queryAlert(lineId=1609, direction=0, lang="en"))
        assert [(a["id"], a["level"], a["stations"]) for a in alerts] == [("datong-9-gucheng", "warning", [37])], alerts
        assert alerts[0]["title"].startswith("Route 9"), alerts
        assert json.loads(city.queryAlert(lineId=1609, direction=1))[0]["title"] == "9路古城墙站临时迁移"
        assert json.loads(city.queryAlert(lineId=1601, direction=0, lang="zh")) == []

        # A fault arrives as a SOAP Fault the client understands.
        try:
            city.queryLine(direction=5, lineId=1601)
            raise AssertionError("direction 5 was accepted")
        except zeep.exceptions.Fault as fault:
            assert "0 or 1" in fault.message, fault.message

        # The served timetable city answers the same way.
        gtfs = zeep.Client(cities[90] + "?wsdl").service
        assert json.loads(gtfs.queryKeyword(keyword="南站")), "no stop hits in the feed city"
        # The sample message has no alerts; the language may be left out.
        assert json.loads(gtfs.queryAlert(lineId=1, direction=0, lang="zh")) == []
        assert json.loads(gtfs.queryAlert(lineId=1, direction=1)) == []
    finally:
        proc.send_signal(signal.SIGTERM)
        out, err = proc.communicate(timeout=20)
    assert proc.returncode == 0, (proc.returncode, err)
    assert "stopping on SIGTERM" in err, err
    # The feed city polls its realtime source from the start.
    assert "city 90 realtime: live data from 1 source(s)" in err, err
    print("zeep: every operation answered")


if __name__ == "__main__":
    main()
