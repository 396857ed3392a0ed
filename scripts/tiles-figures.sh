#!/bin/bash
# The closing figures of brenvik-tiles, measured on this machine: the mean
# antennas per tile of a national plan (a synthetic inventory of 61,000 sites
# of three antennas, half of them in 40 towns, over 550,000 km^2), the pair
# and pixel rate of one core on a measured tile, and the peak memory of a
# mosaic. Asserts nothing; prints the figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(readlink -f "${BRENVIK_TILES:-$root/build/bin/brenvik-tiles}")
work=${1:-$(mktemp -d /tmp/brenvik-figures.XXXXXX)}
mkdir -p "$work"
cd "$work"

echo "== synthetic inventory"
# W,S,E,N of about 880 km x 780 km; the land inside it is taken as 550,000 km^2.
area=-4.5,43.0,7.5,50.0
awk 'BEGIN {
    srand(20);
    print "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz";
    split("700 800 900 1800 2100 2600 3500", f, " ");
    for (c = 0; c < 40; ++c) { tx[c] = -4.0 + 11.0 * rand(); ty[c] = 43.5 + 6.0 * rand(); }
    for (s = 0; s < 61000; ++s) {
        if (rand() < 0.5) {  # in a town: about 5 km around its centre
            c = int(40 * rand());
            r = 0.05 * sqrt(-2 * log(rand() + 1e-12)); a = 6.2831853 * rand();
            x = tx[c] + r * cos(a) / 0.7; y = ty[c] + r * sin(a);
        } else { x = -4.5 + 12.0 * rand(); y = 43.0 + 7.0 * rand(); }
        for (k = 0; k < 3; ++k)
            printf "S%d,%.6f,%.6f,%d,panel,%d,%d,%d,%s\n", s, x, y, 20 + int(25 * rand()),
                   300 + int(2700 * rand()), 120 * k, 2 + int(6 * rand()), f[1 + int(7 * rand())];
    }
}' > national.csv
wc -l national.csv

echo "== national plan: 5 m, tiles of 4096 pixels"
/usr/bin/time -f "plan: %e s, %M kB peak" "$bin" plan --sites national.csv --area "$area" --resolution 5 \
    --tile-size 4096 --standard icnirp-2020 --out national >/dev/null
jq -r '[.tiles[].antennas | length] as $n
       | "tiles \($n | length), antennas listed per tile: mean \(($n | add) / ($n | length) | . * 10 | round / 10), max \($n | max)",
         "worst neglected ratio \(.neglected_ratio_max), antennas reaching no tile \(.antennas_out_of_reach)"' \
    national/manifest.json

echo "== one core on a measured tile (1024 x 1024 pixels at 5 m in the densest town)"
# A 5 km square at the centre of the 4096-pixel tile with the most antennas,
# planned again with 1024-pixel tiles; its busiest tile is measured.
read -r w s e n < <(jq -r '[.tiles[] | {n: (.antennas | length), b: .bounds}] | max_by(.n) | .b
                           | [(.[0] + .[2]) / 2 - 2560, (.[1] + .[3]) / 2 - 2560] | "\(.[0]) \(.[1]) \(.[0] + 5120) \(.[1] + 5120)"' \
                    national/manifest.json)
crs=$(jq -r .crs national/manifest.json)
lonlat=$(printf "%s %s\n%s %s\n" "$w" "$s" "$e" "$n" | gdaltransform -s_srs "$crs" -t_srs EPSG:4326 -output_xy)
box=$(echo "$lonlat" | awk 'NR==1 {w=$1; s=$2} NR==2 {printf "%.6f,%.6f,%.6f,%.6f", w, s, $1, $2}')
"$bin" plan --sites national.csv --area "$box" --crs "$crs" --resolution 5 --tile-size 1024 \
    --standard icnirp-2020 --out town --quiet >/dev/null
k=$(jq -r '[.tiles[] | {k: .index, n: (.antennas | length)}] | max_by(.n) | .k' town/manifest.json)
a=$(jq -r ".tiles[$k].antennas | length" town/manifest.json)
/usr/bin/time -f "%U %e %M" -o time.txt "$bin" run town --index "$k" --threads 1 --quiet
read -r user real peak < time.txt
awk -v a="$a" -v u="$user" -v r="$real" -v m="$peak" 'BEGIN {
    px = 1024 * 1024;
    printf "tile of %d antennas: %.1f s CPU (%.1f s elapsed), %d kB peak\n", a, u, r, m;
    printf "pairs per core-second: %.3g; pixels per core-second at %d antennas: %.3g\n", px * a / u, a, px / u }'

echo "== mosaic peak memory: 8192 x 8192 pixels, two bands, from 64 tiles"
read -r lon lat < <(echo "$lonlat" | head -1)
printf "site,lon,lat,height_m,type,erp_w,azimuth_deg,tilt_deg,frequency_mhz\nA,%s,%s,30,panel,1500,90,4,900\n" \
    "$lon" "$lat" > one.csv
big=$(printf "%s %s\n%s %s\n" "$w" "$s" "$(awk -v w="$w" 'BEGIN {print w + 40960}')" \
      "$(awk -v s="$s" 'BEGIN {print s + 40960}')" |
      gdaltransform -s_srs "$crs" -t_srs EPSG:4326 -output_xy |
      awk 'NR==1 {w=$1; s=$2} NR==2 {printf "%.6f,%.6f,%.6f,%.6f", w, s, $1, $2}')
t=$("$bin" plan --sites one.csv --area "$big" --crs "$crs" --resolution 5 --tile-size 1024 --cutoff 0 \
    --standard icnirp-2020 --out big --quiet)
seq 0 $((t - 1)) | xargs -P 2 -I{} "$bin" run big --index {} --threads 1 --quiet
for cache in default 256; do
    if [ $cache = default ]; then unset GDAL_CACHEMAX; else export GDAL_CACHEMAX=$cache; fi
    rm -f big.tif
    /usr/bin/time -f "%e %M" -o time.txt "$bin" mosaic big --out big.tif --quiet
    read -r real peak < time.txt
    echo "mosaic of $t tiles, GDAL_CACHEMAX $cache: $real s, $peak kB peak; map $(stat -c %s big.tif) bytes"
done
gdalinfo big.tif | grep -E "^Size|Overviews" || true
