#!/usr/bin/env bash
# Moves generated packages with picmove-cli run and fetches the same pictures with
# curl --parallel --parallel-max 5, all from a local picture server; reports wall times, the
# ratio to curl, peak memory, and the share of the run spent rewriting the package.
#
#   bench/transfer/run_bench.sh [BUILD_DIR] [SCENARIO...]
#   scenarios: small (2,000 pictures, a few MB)  large (20,000 pictures, 60 MB)
# Needs the targets picmove-cli, picmove_bench_picture_server and picmove_bench_run.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/${1:-build}"
shift || true
scenarios=("$@")
[ ${#scenarios[@]} -gt 0 ] || scenarios=(small large)
bin="$build/bin"
for tool in picmove-cli picmove_bench_picture_server picmove_bench_run; do
  [ -x "$bin/$tool" ] || { echo "missing $bin/$tool; build it first" >&2; exit 1; }
done
picture_bytes="${PICTURE_BYTES:-30000}"

work="$(mktemp -d)"
coproc SERVER { "$bin/picmove_bench_picture_server" "$picture_bytes"; }
server_in=${SERVER[1]}
read -r port <&"${SERVER[0]}"
cleanup() { exec {server_in}>&- 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
base="http://127.0.0.1:$port"

field() { sed -n "s/^[[:space:]]*$1: //p" "$2"; }
seconds() {  # "m:ss.ss" or "h:mm:ss" of /usr/bin/time to seconds
  awk -F: '{ if (NF == 3) print $1 * 3600 + $2 * 60 + $3; else print $1 * 60 + $2 }' <<<"$1"
}

printf '%-7s %8s %9s %9s %7s %10s %11s %10s %9s\n' scenario pictures package_MB curl_s cli_s ratio cli_peak_MB rewrite_ms rewrite_%
for scenario in "${scenarios[@]}"; do
  case "$scenario" in
    small) pictures=2000; size_mb=0 ;;
    large) pictures=20000; size_mb=60 ;;
    *) echo "unknown scenario $scenario" >&2; exit 1 ;;
  esac
  dir="$work/$scenario"
  mkdir -p "$dir/curl"
  python3 "$root/bench/transfer/make_bench_package.py" "$dir/template.csv" "$base" "$pictures" "$size_mb"
  package_mb=$(awk "BEGIN { printf \"%.1f\", $(stat -c %s "$dir/template.csv") / 1048576 }")

  # curl: the same URLs, five at a time, each to its own file.
  for ((i = 0; i < pictures; i++)); do
    printf 'url = "%s/p/%d.jpg"\noutput = "%s/curl/%d.jpg"\n' "$base" "$i" "$dir" "$i"
  done >"$dir/curl.cfg"
  /usr/bin/time -v -o "$dir/curl.time" curl --silent --parallel --parallel-max 5 --config "$dir/curl.cfg" 2>/dev/null
  curl_s=$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' "$dir/curl.time")")

  # picmove-cli run on a fresh copy.
  mkdir -p "$dir/cli" && cp "$dir/template.csv" "$dir/cli/shop.csv"
  /usr/bin/time -v -o "$dir/cli.time" "$bin/picmove-cli" run "$dir/cli/shop.csv" --policy 2 \
    >"$dir/cli.out" 2>"$dir/cli.err" || { echo "picmove-cli failed; see below" >&2; tail -5 "$dir/cli.err" >&2; exit 1; }
  cli_s=$(seconds "$(field 'Elapsed (wall clock) time (h:mm:ss or m:ss)' "$dir/cli.time")")
  cli_kb=$(field 'Maximum resident set size (kbytes)' "$dir/cli.time")
  stored=$(find "$dir/cli/shop描述图片" -type f | wc -l)
  [ "$stored" -eq "$pictures" ] || echo "warning: $stored of $pictures pictures stored" >&2

  # The same run through the core directly, for the time spent rewriting.
  mkdir -p "$dir/driver" && cp "$dir/template.csv" "$dir/driver/shop.csv"
  "$bin/picmove_bench_run" "$dir/driver/shop.csv" >"$dir/driver.out"
  rewrite_ms=$(sed -n 's/^rewrite_ms=//p' "$dir/driver.out")
  run_ms=$(sed -n 's/^run_ms=//p' "$dir/driver.out")

  awk -v s="$scenario" -v p="$pictures" -v mb="$package_mb" -v c="$curl_s" -v r="$cli_s" \
      -v kb="$cli_kb" -v rw="$rewrite_ms" -v run="$run_ms" 'BEGIN {
    printf "%-7s %8d %9s %9.2f %7.2f %10.2f %11.1f %10.1f %9.2f\n", s, p, mb, c, r, (c > 0 ? r / c : 0),
      kb / 1024, rw, (run > 0 ? 100 * rw / run : 0) }'
  rm -rf "$dir"
done
