#!/usr/bin/env bash
# make demo: the main job, headless and offline, on the bundled sample package.
# Copies samples/demo into BUILD/demo, serves its pictures from 127.0.0.1:8000, runs
# picmove-cli run on the copy and shows what changed.
set -euo pipefail
build_dir="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$root/$build_dir/bin/picmove-cli"
work="$root/$build_dir/demo"
port=8000

[ -x "$cli" ] || { echo "picmove-cli is not built; run make build" >&2; exit 1; }
if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
  echo "port $port is taken on 127.0.0.1; stop whatever listens there and try again" >&2
  exit 1
fi

rm -rf "$work"
mkdir -p "$work"
cp -r "$root/samples/demo/." "$work/"
package="$(ls "$work"/*.csv | head -n 1)"

python3 "$root/tools/picture_server.py" --port $port --quiet &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
  sleep 0.1
done

echo "== picmove-cli list $(basename "$package")"
"$cli" list "$package" 2>/dev/null | sed 's/^/   /'
echo
echo "== picmove-cli run $(basename "$package") --policy 3 --backup --links remove --clear-alt"
start=$(date +%s%N)
status=0
"$cli" run "$package" --policy 3 --backup --links remove --clear-alt || status=$?
end=$(date +%s%N)
echo
echo "== exit status $status after $(( (end - start) / 1000000 )) ms"
folder="${package%.csv}描述图片"
# Whole listings are read to the end (no head in a pipe), so pipefail never sees SIGPIPE.
count=$(find "$folder" -type f 2>/dev/null | wc -l)
echo "== $count pictures stored in $folder, for example:"
find "$folder" -type f -printf '   %f  %s bytes\n' 2>/dev/null | sort | awk 'NR <= 5'
echo "== files next to the package (the backup keeps the original):"
ls -1 "$work" | sed 's/^/   /'
echo "== some references now in the package (FILE:/// in src attributes, plain paths in <img>):"
for kind in 'FILE:///' '>/'; do
  iconv -f GBK -t UTF-8 "$package" | grep -oE "$kind[^\"<>]*" | sort -u | awk 'NR <= 3 { print "   " $0 }'
done
exit $status
