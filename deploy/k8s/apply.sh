#!/bin/bash
# Applies one step of deploy/k8s/tiles-job.yaml with its blanks filled in:
#
#   deploy/k8s/apply.sh stage|plan|tiles|mosaic [--print]
#
#   IMAGE          the image in your registry (default localhost/brenvik:latest,
#                  only on nodes that have it loaded)
#   STORAGE_CLASS  a storage class that provides ReadWriteMany volumes (stage)
#   TILES          the tile count (tiles; default: read from the plan Job's log)
#   KUBECTL        the kubectl command (default kubectl)
#
# --print writes the filled-in manifests to standard output instead.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage() {
    sed -n '2,13p' "$0" >&2
    exit 2
}
step=${1:-}
case $step in stage | plan | tiles | mosaic) ;; *) usage ;; esac
print=no
case ${2:-} in --print) print=yes ;; "") ;; *) usage ;; esac
kubectl=${KUBECTL:-kubectl}

image=${IMAGE:-localhost/brenvik:latest}
[[ $image =~ ^[A-Za-z0-9][A-Za-z0-9./:@_-]*$ ]] || { echo "apply.sh: IMAGE '$image' is not an image name" >&2; exit 2; }
class=${STORAGE_CLASS:-standard-rwx}
[[ $class =~ ^[a-z0-9]([a-z0-9.-]*[a-z0-9])?$ ]] ||
    { echo "apply.sh: STORAGE_CLASS '$class' is not a storage class name" >&2; exit 2; }
if [ "$step" = stage ] && [ -z "${STORAGE_CLASS:-}" ] && [ $print = no ]; then
    echo "apply.sh: set STORAGE_CLASS to a class that provides ReadWriteMany volumes" >&2
    exit 2
fi
tiles=${TILES:-1}
if [ "$step" = tiles ] && [ -z "${TILES:-}" ] && [ $print = no ]; then
    # With --quiet the plan's log is the tile count alone (and any warnings).
    tiles=$("$kubectl" logs job/brenvik-plan | grep -E '^[0-9]+$' | tail -1 || true)
    [ -n "$tiles" ] || { echo "apply.sh: no tile count in the log of job/brenvik-plan; has it finished?" >&2; exit 1; }
fi
# An Indexed Job with a retry limit per index takes at most 100,000 indexes.
{ [[ $tiles =~ ^[1-9][0-9]*$ ]] && [ "$tiles" -le 100000 ]; } ||
    { echo "apply.sh: TILES '$tiles' is not 1 to 100000 (plan larger tiles)" >&2; exit 2; }

manifests=$(sed -e "s|^\(\s*image:\) .* # IMAGE$|\1 $image|" \
                -e "s|^\(\s*storageClassName:\) .* # STORAGE_CLASS.*$|\1 $class|" \
                -e "s|^\(\s*completions:\) .* # TILES.*$|\1 $tiles|" "$here/tiles-job.yaml")
if [ $print = yes ]; then
    printf '%s\n' "$manifests"
else
    printf '%s\n' "$manifests" | "$kubectl" apply -f - --selector="step=$step"
fi
