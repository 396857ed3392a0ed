#!/bin/bash
# Installs a single-node Slurm on this machine (Debian's slurm-wlm and munge),
# runs a four-tile map through a real sbatch with deploy/slurm/submit.sh, and
# checks the mosaic bit for bit against a one-tile plan of the same area
# computed without Slurm. Needs root and a built brenvik-tiles
# (BRENVIK_TILES, default build/bin/brenvik-tiles). Not part of ./test.
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

echo "== munge"
if [ ! -s /etc/munge/munge.key ]; then
    mungekey --create --keyfile=/etc/munge/munge.key 2>/dev/null ||
        dd if=/dev/urandom bs=1 count=1024 of=/etc/munge/munge.key status=none
fi
chown munge:munge /etc/munge/munge.key
chmod 400 /etc/munge/munge.key
mkdir -p /run/munge && chown munge:munge /run/munge
pgrep -x munged >/dev/null || runuser -u munge -- /usr/sbin/munged
munge -n | unmunge | grep STATUS

echo "== slurm"
host=$(hostname -s)
mkdir -p /etc/slurm /var/spool/slurmctld /var/spool/slurmd /var/log/slurm
# The node as slurmd sees it (sockets, cores, memory), so it is not drained
# for a mismatch.
node=$(slurmd -C | head -1 | sed "s/^NodeName=[^ ]*/NodeName=$host/")
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
SelectTypeParameters=CR_Core
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
pgrep -x slurmctld >/dev/null || slurmctld
pgrep -x slurmd >/dev/null || slurmd
for _ in $(seq 60); do
    state=$(sinfo -h -n "$host" -o %t 2>/dev/null || true)
    case $state in
    idle* | mix* | alloc*) break ;;
    down* | drain*) scontrol update nodename="$host" state=resume 2>/dev/null || true ;;
    esac
    sleep 1
done
sinfo

echo "== a four-tile map through sbatch"
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
plan=(--sites "$work/sites.csv" --area 2.300,48.850,2.320,48.860 --resolution 10 --cutoff 0
      --standard icnirp-2020)
BRENVIK_TILES=$bin THROTTLE=2 SBATCH_OPTS="--cpus-per-task=1" \
    "$root/deploy/slurm/submit.sh" "$work/plan" "$work/map.tif" "${plan[@]}" --tile-size 80
for _ in $(seq 600); do
    [ -z "$(squeue -h -o %i)" ] && break
    sleep 1
done
ls "$work"/plan/tiles
cat "$work"/brenvik-mosaic-*.out 2>/dev/null || true
[ -s "$work/map.tif" ] || { echo "slurm-local: FAILED, no map (see $work/*.out)"; exit 1; }

echo "== the same area as one tile, without Slurm"
"$bin" plan --out "$work/one" "${plan[@]}" --tile-size 1024 --quiet >/dev/null
"$bin" run "$work/one" --index 0 --quiet
"$bin" mosaic "$work/one" --out "$work/one.tif" --quiet
gdalinfo "$work/map.tif" | grep -E "^Size|Band|NoData|COMPRESSION|PREDICTOR|LAYOUT" || true
if cmp "$work/map.tif" "$work/one.tif"; then
    echo "slurm-local: OK, the mosaic of 4 tiles run by sbatch equals the one-tile map byte for byte ($work)"
else
    echo "slurm-local: FAILED, the mosaics differ ($work)"
    exit 1
fi
