#!/bin/bash
# The closing figures of brenvik-tiles, measured on this machine (asserts
# nothing; prints the figures):
#  - a national plan (a synthetic inventory of 61,000 sites of three antennas,
#    half of them in 40 towns, over 550,000 km^2, 5 m pixels, 4096-pixel
#    tiles): its time and peak memory, antennas per tile, and what one task
#    reads (the inputs of the tile with the most antennas: time and the peak
#    memory of a process that reads them);
#  - the refresh after a month's change (1 % of the sites moved, added or
#    re-powered): the share of tiles whose inputs changed, at 4096- and
#    1024-pixel tiles;
#  - a continental plan (ten times the sites over ten times the area): its
#    peak memory;
#  - one core on the busiest town tile, the vector kernel's pair rate;
#  - a mosaic's rate and peak memory, and from them the national mosaic on a
#    32-core node.
# BRENVIK_TILES and TILES_BENCH name the programs (default: the build's).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(readlink -f "${BRENVIK_TILES:-$root/build/bin/brenvik-tiles}")
bench=$(readlink -f "${TILES_BENCH:-$root/build/bin/tiles_bench}")
work=${1:-$(mktemp -d /tmp/brenvik-figures.XXXXXX)}
mkdir -p "$work"
cd "$work"

# sites.csv of SITES sites over W,S,E,N with TOWNS towns; seed SEED.
inventory() {
    awk -v sites="$1" -v towns="$2" -v w="$3" -v s="$4" -v e="$5" -v n="$6" -v seed="$7" 'BEGIN {
        srand(seed);
        print "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz";
        split("700 800 900 1800 2100 2600 3500", f, " ");
        for (c = 0; c < towns; ++c) { tx[c] = w + 0.5 + (e - w - 1) * rand(); ty[c] = s + 0.5 + (n - s - 1) * rand(); }
        for (q = 0; q < sites; ++q) {
            if (rand() < 0.5) {  # in a town: about 5 km around its centre
                c = int(towns * rand());
                r = 0.05 * sqrt(-2 * log(rand() + 1e-12)); a = 6.2831853 * rand();
                x = tx[c] + r * cos(a) / 0.7; y = ty[c] + r * sin(a);
            } else { x = w + (e - w) * rand(); y = s + (n - s) * rand(); }
            for (k = 0; k < 3; ++k)
                printf "S%d,%.6f,%.6f,%d,panel,%d,%d,%d,%s\n", q, x, y, 20 + int(25 * rand()),
                       300 + int(2700 * rand()), 120 * k, 2 + int(6 * rand()), f[1 + int(7 * rand())];
        }
    }'
}

plan() { # DIR SITES AREA TILE-SIZE [options]
    local dir=$1 sites=$2 area=$3 size=$4
    shift 4
    /usr/bin/time -f "%e %M" -o time.txt "$bin" plan --sites "$sites" --area "$area" --resolution 5 \
        --tile-size "$size" --standard icnirp-2020 --out "$dir" --quiet "$@" >/dev/null
    read -r real peak < time.txt
    jq -r --arg real "$real" --arg peak "$peak" '[.tiles[].antennas] as $n
        | "\(.tiles | length) tiles, antennas per tile: mean \(($n | add) / ($n | length) | . * 10 | round / 10), max \($n | max); plan \($real) s, \($peak | tonumber / 1024 | round) MB peak"' \
        "$dir/manifest.json"
}

echo "== national plan: 183,000 antennas, 5 m, tiles of 4096 pixels"
area=-4.5,43.0,7.5,50.0
inventory 61000 40 -4.5 43.0 7.5 50.0 20 > national.csv
plan national national.csv "$area" 4096

echo "== what one task reads: the inputs of the tile with the most antennas"
k=$(jq -r '[.tiles[] | {k: .index, n: .antennas}] | max_by(.n) | .k' national/manifest.json)
BRENVIK_TILES_PLAN=national BRENVIK_TILES_INDEX=$k /usr/bin/time -f "%M" -o time.txt \
    "$bench" --benchmark_filter=InputsOfOneTask --benchmark_format=csv 2>/dev/null |
    awk -F, -v k="$k" '/InputsOfOneTask/ { printf "tile %d: %.1f ms a read, ", k, $3 }'
echo "$(jq -r ".tiles[$k].antennas" national/manifest.json) antennas, $(stat -c %s "national/inputs/$k.json") bytes; process peak $(( $(cat time.txt) / 1024 )) MB"

echo "== a month's change: 1 % of the sites moved, added or re-powered"
# Of every hundred sites, one: a third moved by up to 500 m, a third re-powered, a third new.
awk -F, -v OFS=, 'BEGIN { srand(7) } NR == 1 { print; next }
    { if ($1 != last) { last = $1; pick = rand() < 0.01; kind = int(3 * rand()); dx = (rand() - 0.5) * 0.012; dy = (rand() - 0.5) * 0.009 } }
    pick && kind == 0 { $2 = sprintf("%.6f", $2 + dx); $3 = sprintf("%.6f", $3 + dy) }
    pick && kind == 1 { $6 = int($6 * 1.5) }
    { print }
    pick && kind == 2 { $1 = $1 "n"; $2 = sprintf("%.6f", $2 + dx); $3 = sprintf("%.6f", $3 + dy); print }' \
    national.csv > month.csv
for size in 4096 1024; do
    [ "$size" = 4096 ] || plan national-$size national.csv "$area" $size
    old=national; [ "$size" = 4096 ] || old=national-$size
    plan month-$size month.csv "$area" $size
    jq -r -n --slurpfile a "$old/manifest.json" --slurpfile b "month-$size/manifest.json" \
        '[range(0; $a[0].tiles | length) | select($a[0].tiles[.].inputs != $b[0].tiles[.].inputs)] | length as $c
         | "tiles of \($a[0].grid.tile_size) pixels: \($c) of \($a[0].tiles | length) to compute again (\($c * 1000 / ($a[0].tiles | length) | round / 10) %)"'
done

echo "== continental plan: 1.83 million antennas over ten times the area"
inventory 610000 400 -10.0 36.0 30.0 60.0 21 > continent.csv
plan continent continent.csv -10.0,36.0,30.0,60.0 4096 --crs EPSG:3035
rm -rf continent national-1024 month-1024

echo "== one core on the busiest town tile (1024 x 1024 pixels at 5 m)"
read -r w s e n < <(jq -r '.tiles | max_by(.antennas) | .bounds
                           | [(.[0] + .[2]) / 2 - 2560, (.[1] + .[3]) / 2 - 2560] | "\(.[0]) \(.[1]) \(.[0] + 5120) \(.[1] + 5120)"' \
                    national/manifest.json)
crs=$(jq -r .crs national/manifest.json)
lonlat=$(printf "%s %s\n%s %s\n" "$w" "$s" "$e" "$n" | gdaltransform -s_srs "$crs" -t_srs EPSG:4326 -output_xy)
box=$(echo "$lonlat" | awk 'NR==1 {w=$1; s=$2} NR==2 {printf "%.6f,%.6f,%.6f,%.6f", w, s, $1, $2}')
"$bin" plan --sites national.csv --area "$box" --crs "$crs" --resolution 5 --tile-size 1024 \
    --standard icnirp-2020 --out town --quiet >/dev/null
k=$(jq -r '.tiles | max_by(.antennas) | .index' town/manifest.json)
a=$(jq -r ".tiles[$k].antennas" town/manifest.json)
/usr/bin/time -f "%U %e %M" -o time.txt "$bin" run town --index "$k" --threads 1 --quiet
read -r user real peak < time.txt
awk -v a="$a" -v u="$user" -v r="$real" -v m="$peak" 'BEGIN {
    px = 1024 * 1024;
    printf "tile of %d antennas: %.1f s CPU (%.1f s elapsed), %d MB peak\n", a, u, r, m / 1024;
    printf "pixel-antenna pairs listed per core-second: %.3g (each pixel sums only those within its reach)\n", px * a / u }'

echo "== mosaic: 8192 x 8192 pixels, two bands, from 64 tiles"
read -r lon lat < <(echo "$lonlat" | head -1)
printf "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz\nA,%s,%s,30,panel,1500,90,4,900\n" \
    "$lon" "$lat" > one.csv
big=$(printf "%s %s\n%s %s\n" "$w" "$s" "$(awk -v w="$w" 'BEGIN {print w + 40960}')" \
      "$(awk -v s="$s" 'BEGIN {print s + 40960}')" |
      gdaltransform -s_srs "$crs" -t_srs EPSG:4326 -output_xy |
      awk 'NR==1 {w=$1; s=$2} NR==2 {printf "%.6f,%.6f,%.6f,%.6f", w, s, $1, $2}')
t=$("$bin" plan --sites one.csv --area "$big" --crs "$crs" --resolution 5 --tile-size 1024 --cutoff 0 \
    --standard icnirp-2020 --out big --quiet)
seq 0 $((t - 1)) | xargs -P "$(nproc)" -I{} "$bin" run big --index {} --threads 1 --quiet
rm -f big.tif
/usr/bin/time -f "%e %U %S %M" -o time.txt "$bin" mosaic big --out big.tif --quiet
read -r real user sys peak < time.txt
national=$(jq -r '.grid.width * .grid.height' national/manifest.json)
awk -v r="$real" -v u="$user" -v s="$sys" -v m="$peak" -v n="$national" -v cores="$(nproc)" 'BEGIN {
    px = 8192 * 8192;
    printf "mosaic of 64 tiles on %d cores: %.1f s elapsed, %.1f s CPU, %d MB peak: %.3g pixels per core-second\n",
           cores, r, u + s, m / 1024, px / (u + s);
    printf "national map (%.3g pixels) on a 32-core node at that rate: %.1f h if every core is kept busy, %.1f h at this run'\''s use of its cores\n",
           n, n / (px / (u + s)) / 32 / 3600, n / (px / r) * cores / 32 / 3600 }'
gdalinfo big.tif | grep -E "^Size|Overviews" || true
