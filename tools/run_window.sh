#!/usr/bin/env bash
# make run: opens the picmove window from BUILD_DIR/bin. Without a display it runs under a
# virtual X server (xvfb-run) and says so.
set -euo pipefail
build_dir="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
case "$build_dir" in
  /*) program="$build_dir/bin/picmove" ;;
  *) program="$root/$build_dir/bin/picmove" ;;
esac

[ -x "$program" ] || { echo "picmove is not built; run make build" >&2; exit 1; }
shift || true

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program" "$@"
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "no DISPLAY is set and xvfb-run is not installed (make deps installs it)" >&2
  exit 1
fi
echo "no DISPLAY is set: starting picmove on a virtual X server (xvfb-run -a); nothing will" \
     "appear on screen, end it with Ctrl-C" >&2
exec xvfb-run -a -s "-screen 0 1024x768x24" "$program" "$@"
