#!/bin/bash
# Installs a single-node Slurm on this machine (Debian's slurm-wlm and munge)
# set up as operators run it (memory a consumable, MaxArraySize 16), and runs
# deploy/slurm/submit.sh for real:
#  1. a 35-tile map, so three arrays; one task is cancelled before it runs,
#     so the mosaic is cancelled with its dependency, and a finished tile is
#     cut short; submit.sh --resume computes those two tiles alone, then the
#     mosaic, which must equal a one-tile map of the same area byte for byte;
#  2. a one-tile map whose running task gets SIGTERM through the batch shell,
#     as --signal=B:TERM sends it: the task stops and leaves no tile, and
#     --resume completes the map.
# Needs root and a built brenvik-tiles (BRENVIK_TILES, default
# build/bin/brenvik-tiles). The daemons it starts are stopped when it ends;
# nothing leaves this machine. Not part of ./test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(readlink -f "${BRENVIK_TILES:-$root/build/bin/brenvik-tiles}")
[ -x "$bin" ] || { echo "slurm-local: build brenvik-tiles first ($bin)" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "slurm-local: run as root (it installs and starts Slurm)" >&2; exit 1; }

echo "== packages"
need=()
for p in slurm-wlm munge; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
dpkg-query -W -f='${Package} ${Version}\n' slurm-wlm munge

# The daemons this run started, stopped by their pid files when it ends
# (those already running are left alone).
started=()
stop_daemons() {
    local name pidfile
    for name in "${started[@]}"; do
        case $name in
        munged) pidfile=/run/munge/munged.pid ;;
        *) pidfile=/run/$name.pid ;;
        esac
        if [ -s "$pidfile" ]; then kill "$(cat "$pidfile")" 2>/dev/null || true; fi
    done
}
trap stop_daemons EXIT

echo "== munge"
if [ ! -s /etc/munge/munge.key ]; then
    mungekey --create --keyfile=/etc/munge/munge.key 2>/dev/null ||
        dd if=/dev/urandom bs=1 count=1024 of=/etc/munge/munge.key status=none
fi
chown munge:munge /etc/munge/munge.key
chmod 400 /etc/munge/munge.key
mkdir -p /run/munge && chown munge:munge /run/munge
if ! pgrep -x munged >/dev/null; then
    runuser -u munge -- /usr/sbin/munged
    started+=(munged)
fi
munge -n | unmunge | grep STATUS

echo "== slurm"
host=$(hostname -s)
mkdir -p /etc/slurm /var/spool/slurmctld /var/spool/slurmd /var/log/slurm
# The node as slurmd sees it (sockets, cores, memory), so it is not drained
# for a mismatch.
node=$(slurmd -C | head -1 | sed "s/^NodeName=[^ ]*/NodeName=$host/")
# Memory is a consumable, as on most clusters (a task without --mem would
# take the whole node), and arrays are capped far below the default 1001 so
# that a small map already needs several.
cat > /etc/slurm/slurm.conf <<EOF
ClusterName=brenvik-local
SlurmctldHost=$host
SlurmUser=root
AuthType=auth/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
MaxArraySize=16
ReturnToService=2
MpiDefault=none
StateSaveLocation=/var/spool/slurmctld
SlurmdSpoolDir=/var/spool/slurmd
SlurmctldLogFile=/var/log/slurm/slurmctld.log
SlurmdLogFile=/var/log/slurm/slurmd.log
SlurmctldPidFile=/run/slurmctld.pid
SlurmdPidFile=/run/slurmd.pid
$node State=UNKNOWN
PartitionName=local Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
if pgrep -x slurmctld >/dev/null; then
    scontrol reconfigure
else
    slurmctld
    started+=(slurmctld)
fi
if ! pgrep -x slurmd >/dev/null; then
    slurmd
    started+=(slurmd)
fi
for _ in $(seq 60); do
    state=$(sinfo -h -n "$host" -o %t 2>/dev/null || true)
    case $state in
    idle* | mix* | alloc*) break ;;
    down* | drain*) scontrol update nodename="$host" state=resume 2>/dev/null || true ;;
    esac
    sleep 1
done
sinfo
scontrol show config | grep -E "^(MaxArraySize|SelectTypeParameters) "

fail() {
    echo "slurm-local: FAILED, $*"
    exit 1
}
# Waits until the queue is empty.
drain() {
    for _ in $(seq 600); do
        [ -z "$(squeue -h -o %i)" ] && return 0
        sleep 1
    done
    fail "jobs still queued after 10 minutes: $(squeue -h -o '%i %j %T' | tr '\n' ' ')"
}
# The id of the plan or resume job that submit.sh printed.
submitted() { sed -n 's/^[a-z]*: job \([0-9]*\).*/\1/p' <<< "$1"; }

work=$(mktemp -d /tmp/brenvik-slurm.XXXXXX)
chmod 755 "$work"
cd "$work"
{
    echo "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz"
    for k in $(seq 0 23); do
        awk -v k="$k" 'BEGIN { srand(k + 1); printf "S%d,%.6f,%.6f,%d,%s,%d,%d,%d,%d\n", int(k / 3),
            2.300 + 0.02 * rand(), 48.850 + 0.01 * rand(), 15 + int(20 * rand()),
            (k % 5 == 4) ? "stick" : "panel", 200 + int(1800 * rand()), int(360 * rand()), int(8 * rand()),
            (k % 2) ? 1800 : 900 }'
    done
} > sites.csv
# The same ground with 1,200 antennas, for a tile that computes long enough
# (about 8e9 pixel-antenna pairs, some 20 s on one core) to be signalled
# while it runs.
{
    echo "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz"
    awk 'BEGIN { srand(7); for (k = 0; k < 1200; ++k) printf "H%d,%.6f,%.6f,%d,panel,%d,%d,%d,900\n",
        int(k / 3), 2.300 + 0.02 * rand(), 48.850 + 0.01 * rand(), 15 + int(20 * rand()),
        200 + int(1800 * rand()), int(360 * rand()), int(8 * rand()) }'
} > heavy.csv
area=2.300,48.850,2.320,48.860
plan=(--sites "$work/sites.csv" --area "$area" --cutoff 0 --standard icnirp-2020)
export BRENVIK_TILES=$bin THROTTLE=2 TILE_CPUS=1 PLAN_MEM=1G MOSAIC_MEM=1G

echo "== 35 tiles, held; one task cancelled"
out=$(SBATCH_OPTS=--hold "$root/deploy/slurm/submit.sh" "$work/plan" "$work/map.tif" "${plan[@]}" \
      --resolution 10 --tile-size 24)
echo "$out"
planjob=$(submitted "$out")
[ -n "$planjob" ] || fail "no plan job"
scontrol release "$planjob"
for _ in $(seq 120); do
    squeue -h -j "$planjob" 2>/dev/null | grep -q . || break
    sleep 1
done
cat "$work"/plan/logs/plan-*.out
mapfile -t arrays < <(squeue -h -n brenvik-tiles -o %F | sort -un)
[ ${#arrays[@]} -eq 3 ] || fail "35 tiles under MaxArraySize 16 make ${#arrays[@]} arrays, not 3"
scontrol show job "${arrays[0]}" | grep -oE "(ArrayTaskId|TimeLimit|MinMemoryNode|Command)=[^ ]*" | sort -u
# Tile 5 is task 5 of the first array: cancelled while held, it never runs.
scancel "${arrays[0]}_5"
for j in $(squeue -h -o %F | sort -un); do scontrol release "$j"; done
drain
ls "$work"/plan/tiles
[ ! -e "$work/map.tif" ] || fail "the mosaic ran although a task was cancelled"
[ ! -e "$work/plan/tiles/5.tif" ] || fail "the cancelled task left tile 5"
logs=$(find "$work/plan/logs" -name 'tiles-*.out' | wc -l)
[ "$logs" -eq 34 ] || fail "$logs task logs in plan/logs, not 34"
[ -z "$(find "$work" -maxdepth 1 -name '*.out')" ] || fail "logs in the submit folder"
# Tile 20 cut short, as by a node lost while writing it.
truncate -s 300 "$work/plan/tiles/20.tif"

echo "== resume"
out=$("$root/deploy/slurm/submit.sh" --resume "$work/plan" "$work/map.tif")
echo "$out"
drain
log="$work/plan/logs/resume-$(submitted "$out").out"
cat "$log"
{ grep -q "^tiles 0 + (5): job" "$log" && grep -q "^tiles 16 + (4): job" "$log"; } ||
    fail "resume did not submit tiles 5 and 20"
[ "$(grep -c "^tiles " "$log")" -eq 2 ] || fail "resume submitted more than tiles 5 and 20"
cat "$work"/plan/logs/mosaic-*.out 2>/dev/null || true
[ -s "$work/map.tif" ] || fail "no map after resume (see $work/plan/logs)"

echo "== the same area as one tile, without Slurm"
"$bin" plan --out "$work/one" "${plan[@]}" --resolution 10 --tile-size 1024 --quiet >/dev/null
"$bin" run "$work/one" --index 0 --quiet
"$bin" mosaic "$work/one" --out "$work/one.tif" --quiet
gdalinfo "$work/map.tif" | grep -E "^Size|Band|NoData|COMPRESSION|PREDICTOR|LAYOUT" || true
cmp "$work/map.tif" "$work/one.tif" || fail "the mosaics differ ($work)"
echo "the 35 tiles in 3 arrays, resumed after a cancelled task and a damaged tile, equal the one-tile map"

echo "== SIGTERM to a running task through its batch shell"
out=$("$root/deploy/slurm/submit.sh" "$work/heavy" "$work/heavy.tif" --sites "$work/heavy.csv" \
      --area "$area" --cutoff 0 --standard icnirp-2020 --resolution 0.5 --tile-size 4096)
echo "$out"
task=
for _ in $(seq 120); do
    task=$(squeue -h -n brenvik-tiles -t R -o %i | head -1)
    [ -n "$task" ] && break
    sleep 1
done
[ -n "$task" ] || fail "the heavy tile never ran"
# Signalled once it reports progress, and only while it still runs: a tile
# that finished first cannot show what SIGTERM does.
for _ in $(seq 60); do
    grep -qs "tile 0: " "$work"/heavy/logs/tiles-*.out && break
    sleep 1
done
[ -n "$(squeue -h -j "$task" -t R -o %i)" ] || fail "the heavy tile finished before it could be signalled"
scancel --batch --signal=TERM "$task"
drain
cat "$work"/heavy/logs/tiles-*.out
grep -q "tile 0: Interrupted" "$work"/heavy/logs/tiles-*.out || fail "the task did not stop on SIGTERM"
[ -z "$(ls -A "$work/heavy/tiles")" ] || fail "the interrupted task left a file: $(ls "$work/heavy/tiles")"
[ ! -e "$work/heavy.tif" ] || fail "a mosaic was written without its tile"
out=$("$root/deploy/slurm/submit.sh" --resume "$work/heavy" "$work/heavy.tif")
echo "$out"
drain
[ -s "$work/heavy.tif" ] || fail "resume did not complete the interrupted map (see $work/heavy/logs)"
echo "slurm-local: OK ($work)"
