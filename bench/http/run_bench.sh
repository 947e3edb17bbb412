#!/usr/bin/env bash
# Builds and runs the HTTP benchmark: 2,000 pictures of 5-50 KB from a local server, five
# threads through com_web_request beside curl --parallel --parallel-max 5.
#
#   bench/http/run_bench.sh [BUILD_DIR] [PICTURES] [ROUNDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/${1:-build}"
command -v curl >/dev/null || { echo "needs the curl command" >&2; exit 1; }
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DPICMOVE_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --target picmove_bench_http -j2 >/dev/null
"$build/bin/picmove_bench_http" "${2:-2000}" "${3:-3}"
