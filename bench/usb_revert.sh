#!/usr/bin/env bash
# usb-revert: the revert of one drive through a real kernel and the USB bus (the guest of
# scripts/usb-guest, timed inside it, boot excluded) against the same revert on a copy of
# the image directly, same geometry, same run.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/bin
work="$(mktemp -d "${TMPDIR:-/tmp}/mendora-usb-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

scripts/usb-deps >/dev/null
cmake --build --preset default --target mendora mendora-revert mendora-vdrive >/dev/null
scripts/usb-guest build 2>/dev/null

$bin/mendora-vdrive create "$work/bus.img" --preset qf90 --zones 1 --blocks-per-zone 64
cp "$work/bus.img" "$work/direct.img"
out="$(scripts/usb-guest run --timeout 300 --drive "$work/bus.img" -- sh -c '
  start=$(cut -d" " -f1 /proc/uptime)
  mendora-revert --drive D: >/dev/null; rc=$?
  end=$(cut -d" " -f1 /proc/uptime)
  echo "bus seconds $(awk "BEGIN{print $end - $start}") exit $rc"')"
bus="$(sed -n 's/^bus seconds \([0-9.]*\) exit 0$/\1/p' <<<"$out")"
[ -n "$bus" ] || { echo "usb-revert: failed ($out)"; exit 1; }
start=$(date +%s.%N)
$bin/mendora-revert --vdrive "$work/direct.img" >/dev/null
end=$(date +%s.%N)
direct="$(awk "BEGIN{print $end - $start}")"
awk -v b="$bus" -v d="$direct" 'BEGIN{printf "usb-revert: %.1f (revert of one drive through the guest kernel and the USB bus %.2f s / the same revert on the image directly %.2f s, same geometry, same run) goal 3\n", b / d, b, d}'
