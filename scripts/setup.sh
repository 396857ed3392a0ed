# Sourced by ./run and ./test: installs the Debian packages the build needs
# when any is missing, then configures and builds into build/.
BRENVIK_PACKAGES=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
                  qt6-base-dev qt6-qpa-plugins libqt6svg6 qt6-svg-dev libgl-dev libsleef-dev nlohmann-json3-dev
                  libgdal-dev gdal-bin libminizip-dev poppler-utils desktop-file-utils libcli11-dev ccache
                  nodejs ninja-build clang-format)

brenvik_install_missing() {
    local missing=()
    for p in "${BRENVIK_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        DEBIAN_FRONTEND=noninteractive apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
    else
        echo "Missing packages. Run:"
        echo "  sudo apt-get install -y ${missing[*]}"
        exit 1
    fi
}

brenvik_build() { # build-dir, cmake options...
    local dir=$1; shift
    # The compiler cache keys on paths relative to the checkout, so a fresh
    # clone in another folder reuses what an earlier build compiled.
    local launcher=()
    if command -v ccache >/dev/null 2>&1; then
        export CCACHE_BASEDIR="$PWD"
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    # Ninja schedules the two cores better than make; a build folder keeps the
    # generator it was first made with.
    local generator=()
    if [ ! -f "$dir/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
        generator=(-G Ninja)
    fi
    cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
