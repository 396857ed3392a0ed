#!/usr/bin/env bash
# Rewrites the C++ sources of src, tests, bench and fuzz with the repository's
# .clang-format: the files git tracks, or every .cpp and .h of those folders
# outside a git checkout. The ctest Format.TreeMatchesClangFormat
# (-DBRENVIK_CHECK_FORMAT=ON) checks the result.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is missing: apt-get install clang-format" >&2; exit 1; }
if command -v git >/dev/null && [ -e .git ]; then
    git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
        'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' | xargs -0 -r clang-format -i
else
    dirs=(); for d in src tests bench fuzz; do [ -d "$d" ] && dirs+=("$d"); done
    find "${dirs[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 -r clang-format -i
fi
