#!/bin/bash
# Plans a map, runs its tiles as one Slurm array and joins them once every
# task has succeeded.
#
#   deploy/slurm/submit.sh DIR MAP.tif --sites S.csv --area W,S,E,N --resolution M --tile-size PX [plan options]
#
# DIR must be on a file system every node sees. THROTTLE (default 100) caps
# the tasks running at once; SBATCH_* variables and extra sbatch options in
# SBATCH_OPTS (e.g. "--partition=batch --cpus-per-task=16") pass through.
# BRENVIK_TILES names the program when it is not on the PATH.
set -euo pipefail
if [ $# -lt 3 ]; then
    sed -n '2,12p' "$0" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
dir=$1 map=$2
shift 2
tiles=${BRENVIK_TILES:-brenvik-tiles}
export BRENVIK_TILES=$tiles

n=$("$tiles" plan --out "$dir" "$@")
# shellcheck disable=SC2086
array=$(sbatch --parsable ${SBATCH_OPTS:-} --array="0-$((n - 1))%${THROTTLE:-100}" \
              "$here/tiles.sbatch" "$dir")
array=${array%%;*}
# shellcheck disable=SC2086
mosaic=$(sbatch --parsable ${SBATCH_OPTS:-} --dependency="afterok:$array" --kill-on-invalid-dep=yes \
               --job-name=brenvik-mosaic --output=brenvik-mosaic-%j.out \
               --wrap="exec \"$tiles\" mosaic \"$dir\" --out \"$map\"")
mosaic=${mosaic%%;*}
echo "planned $n tiles in $dir; tiles: job $array; mosaic: job $mosaic -> $map"
