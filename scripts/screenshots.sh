#!/bin/sh
# Screenshots of a session in every display style, for looking at the window
# as a user sees it (scripts/session_screenshots.cpp). It asserts nothing, so
# it is no part of the test suite. Needs the libraries of a build in build/
# (./run or ./test) and xvfb.
#   scripts/screenshots.sh OUTDIR
set -e
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:?usage: scripts/screenshots.sh OUTDIR}")
mkdir -p "$out" build/screenshots
lib=build/lib
qt="Qt6Widgets Qt6PrintSupport"
g++ -std=c++20 -O1 -fPIC -Isrc -Itests/app $(pkg-config --cflags $qt) \
    scripts/session_screenshots.cpp tests/app/main.cpp \
    $lib/libbrenvik_applib.a $lib/libbrenvik_qtsurface.a $lib/libbrenvik_calc.a \
    $lib/libbrenvik_export.a $lib/libbrenvik_render.a $lib/libbrenvik_geo.a \
    $lib/libbrenvik_model.a $(pkg-config --libs $qt) -lgtest -lsleef -pthread \
    -o build/screenshots/session_screenshots
BRENVIK_SHOT_DIR="$out" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1600x1000x24" build/screenshots/session_screenshots
