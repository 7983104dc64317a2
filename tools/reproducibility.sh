#!/usr/bin/env bash
# The full reproducibility check: two clean clones of the current commit, in
# different directories, each built with tools/release.sh a while apart, must
# give byte-identical artifacts. About twice a full build's time.
set -euo pipefail
# usage: tools/reproducibility.sh [work dir]
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d)}
commit=$(git -C "$root" rev-parse HEAD)
for clone in first second-clone; do
    rm -rf "${work:?}/$clone"
    git clone -q --no-hardlinks "$root" "$work/$clone"
    git -C "$work/$clone" checkout -q "$commit"
    echo "building $commit in $work/$clone"
    TELLUR_BUILD_DIR="$work/$clone/build" "$work/$clone/tools/release.sh" > "$work/$clone.log" 2>&1 ||
        { tail -n 40 "$work/$clone.log"; exit 1; }
done
# SHA256SUMS holds a hash of every artifact, so equal lists mean equal files.
cat "$work/first/build/release/SHA256SUMS"
if diff "$work/first/build/release/SHA256SUMS" "$work/second-clone/build/release/SHA256SUMS"; then
    echo "identical: both clones gave the same artifacts"
else
    echo "the clones' artifacts differ" >&2
    exit 1
fi
