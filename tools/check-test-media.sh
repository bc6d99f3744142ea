#!/usr/bin/env bash
# Makes the test media a second time and compares every file with the fixture's set: the files must
# be byte-identical from run to run, or stored reference values drift.
# Usage: check-test-media.sh <fixture folder> <scratch folder> <avi_patch tool>
set -euo pipefail
fixture=$1
scratch=$2
patch=$3
rm -rf "$scratch"
"$(dirname "$0")/make-test-media.sh" "$scratch" "$patch"
sums() { (cd "$1" && find . -type f ! -name .complete | LC_ALL=C sort | xargs -d '\n' sha1sum); }
if ! diff <(sums "$fixture") <(sums "$scratch"); then
  echo "check-test-media: the files above differ between two runs of make-test-media.sh" >&2
  exit 1
fi
rm -rf "$scratch"
echo "check-test-media: $(sums "$fixture" | wc -l) files identical"
