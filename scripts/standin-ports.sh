#!/usr/bin/env bash
# Prints the ports the stand-in serves by default, one a line: the
# directory's and each bundled city's.
set -euo pipefail
cd "$(dirname "$0")/.."
echo 18080
sed -n 's/^ *"port": *\([0-9][0-9]*\).*/\1/p' standin/data/cities/*.json
