#!/bin/sh
# Peak memory of the map exports against the calculation alone: runs
# brenvik-batch on PROJECT (an XY calculation at 2 m) once without an export
# and once per map format, and prints each run's peak resident size and its
# difference from the first. Measures only; asserts nothing.
#   scripts/map-memory.sh build/bin/brenvik-batch site.bvk [folder]
set -eu
batch=$1 project=$2 out=${3:-${TMPDIR:-/tmp}}
peak() { /usr/bin/time -f %M "$batch" "$project" --xy 2 --quiet "$@" 2>&1 >/dev/null | tail -1; }
base=$(peak)
echo "calculation alone: $base KB"
for e in geotiff=m.tif gpkg=m.gpkg kmz=m.kmz zones-geojson=m.geojson; do
    kb=$(peak --export "${e%%=*}=$out/${e#*=}")
    echo "${e%%=*}: $kb KB ($(( (kb - base) / 1024 )) MB over the calculation)"
done
