#!/bin/bash
# Plans a map, runs its tiles as Slurm arrays and joins them once every task
# has succeeded; or, after a failed or killed task, computes only what is
# left and joins the map.
#
#   deploy/slurm/submit.sh DIR MAP.tif --sites S.csv --area W,S,E,N --resolution M --tile-size PX [plan options]
#   deploy/slurm/submit.sh --resume DIR MAP.tif
#
# The plan runs as a job (plan.sbatch), which then submits one array per
# slice of the cluster's MaxArraySize, each task with the memory and time
# `brenvik-tiles resume` estimates for it, and the mosaic after them. DIR, MAP
# and this folder must be on a file system every node sees; every log goes
# to DIR/logs. Variables:
#   TILE_CPUS   cores per tile task (default 4)
#   THROTTLE    tasks of one array running at once (default 100)
#   PLAN_MEM    memory of the plan or resume job (default 16G)
#   MOSAIC_MEM  memory of the mosaic job (default 8G)
#   SBATCH_OPTS extra options of every job, e.g. "--partition=batch --account=x"
#   BRENVIK_TILES the program, when it is not on the PATH
set -euo pipefail
usage() {
    sed -n '2,21p' "$0" >&2
    exit 2
}
here=$(cd "$(dirname "$0")" && pwd)
tiles=${BRENVIK_TILES:-brenvik-tiles}
export BRENVIK_TILES=$tiles
mode=plan
case ${1:-} in
--resume | --queue) mode=${1#--}; shift ;;
esac
[ $# -ge 2 ] || usage
dir=$1 map=$2
shift 2
if [ "$mode" = plan ] && [ $# -eq 0 ]; then usage; fi
if [ "$mode" != plan ] && [ $# -gt 0 ]; then usage; fi

jobid() { echo "${1%%;*}"; }

if [ "$mode" != queue ]; then
    # The plan, or the scan of what is left, reads the whole inventory or
    # manifest: a job of its own, which then submits the rest (--queue).
    mkdir -p "$dir/logs"
    dir=$(cd "$dir" && pwd)
    case $map in /*) ;; *) map=$PWD/$map ;; esac
    # shellcheck disable=SC2086
    job=$(sbatch --parsable ${SBATCH_OPTS:-} --mem="${PLAN_MEM:-16G}" --output="$dir/logs/$mode-%j.out" \
                 --job-name="brenvik-$mode" "$here/plan.sbatch" "$here" "$dir" "$map" "$@")
    echo "$mode: job $(jobid "$job") (log $dir/logs/$mode-$(jobid "$job").out); it then submits the tiles and the mosaic"
    exit 0
fi

# --queue, inside the plan job: the tiles left, in arrays the cluster takes.
max=$(scontrol show config 2>/dev/null | awk '$1 == "MaxArraySize" { print $3 }')
max=${max:-1001}
cpus=${TILE_CPUS:-4}
mem=0 minutes=0 arrays=()
while read -r key a b; do
    case $key in
    mem_mib) mem=$a ;;
    time_min) minutes=$a ;;
    array) arrays+=("$a $b") ;;
    esac
done < <("$tiles" resume "$dir" --max-array "$max" --cpus "$cpus")
jobs=()
for arr in "${arrays[@]}"; do
    read -r offset tasks <<< "$arr"
    # shellcheck disable=SC2086
    job=$(sbatch --parsable ${SBATCH_OPTS:-} --array="$tasks%${THROTTLE:-100}" --cpus-per-task="$cpus" \
                 --mem="${mem}M" --time="$minutes" --output="$dir/logs/tiles-%A_%a.out" \
                 "$here/tiles.sbatch" "$dir" "$offset")
    jobs+=("$(jobid "$job")")
    echo "tiles $offset + ($tasks): job $(jobid "$job")"
done
after=()
if [ ${#jobs[@]} -gt 0 ]; then
    after=(--dependency="afterok$(printf ':%s' "${jobs[@]}")" --kill-on-invalid-dep=yes)
fi
# shellcheck disable=SC2086
mosaic=$(sbatch --parsable ${SBATCH_OPTS:-} "${after[@]}" --mem="${MOSAIC_MEM:-8G}" \
                --job-name=brenvik-mosaic --output="$dir/logs/mosaic-%j.out" \
                --wrap="exec \"$tiles\" mosaic \"$dir\" --out \"$map\"")
echo "${#jobs[@]} arrays of tiles (largest array $max, ${mem} MiB and $minutes min a task); mosaic: job $(jobid "$mosaic") -> $map"
