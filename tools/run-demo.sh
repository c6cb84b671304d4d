#!/usr/bin/env bash
# Installs what is needed, builds, and starts velnor07 on the user's display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$ROOT/tools/install-deps.sh"
"$ROOT/tools/build.sh"

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<MESSAGE
There is no display to show velnor07 on (DISPLAY is not set).
Run it under a virtual X server instead:

  xvfb-run -a tools/run-demo.sh

or take pictures of its windows with: tools/screenshots.sh <folder>
MESSAGE
  exit 1
fi

if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d /tmp/velnor-xdg-XXXXXX)"
  export XDG_RUNTIME_DIR
fi
exec "$ROOT/build/bin/velnor07"
