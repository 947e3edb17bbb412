#!/usr/bin/env bash
# Times `picmove-cli list` on generated packages of 10, 30 and 60 MB, plain (UTF-16) and 5.36
# (GBK, base64 descriptions), with peak memory, beside `grep -oP` pulling the src addresses out
# of the same file (a GBK copy for the UTF-16 package, since grep reads bytes).
#
# Usage: bench/package/list_bench.sh [BUILD_DIR] [SIZES...]     e.g. list_bench.sh build 10 30 60
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-build}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 30 60)
cli="$root/$build/bin/picmove-cli"
[ -x "$cli" ] || { echo "no $cli: build picmove-cli first" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

measure() {  # label, command...: prints wall seconds, user seconds and peak MiB
  local label="$1"; shift
  /usr/bin/time -f '%e %U %M' -o "$work/time" "$@" > "$work/out" 2> /dev/null || true
  # time puts "Command exited with non-zero status" first when grep finds nothing.
  read -r wall user kib < <(tail -n 1 "$work/time")
  printf '  %-34s %6.2f s wall %6.2f s user %7.1f MiB peak %8d lines\n' \
    "$label" "$wall" "$user" "$(awk -v k="$kib" 'BEGIN { print k / 1024 }')" "$(wc -l < "$work/out")"
}

for mb in "${sizes[@]}"; do
  for variant in plain 536; do
    if [ "$variant" = plain ]; then
      encoding=utf16; flag=()
    else
      encoding=gbk; flag=(--tmall536)
    fi
    file="$work/p${mb}_${variant}.csv"
    python3 "$root/tools/make_package.py" "$file" --size-mb "$mb" --variant "$variant" \
      --encoding "$encoding" --no-tbi 2> /dev/null
    size=$(stat -c %s "$file")
    echo "$variant, $encoding, $((size / 1048576)) MiB ($size bytes):"
    measure "picmove-cli list ${flag[*]:-}" "$cli" list "$file" "${flag[@]}"
    if [ "$encoding" = utf16 ]; then
      iconv -f UTF-16 -t GBK "$file" > "$work/grep.csv"
    else
      cp "$file" "$work/grep.csv"
    fi
    # grep finds src addresses only (and in the 5.36 package none: they are base64 there).
    measure "grep -oP src addresses" grep -aoP 'src=""\Khttps?://[^"]+' "$work/grep.csv"
    rm -f "$file" "$work/grep.csv"
  done
done
