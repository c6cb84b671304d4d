#!/usr/bin/env bash
# Installs what is needed, builds, provisions the demo (once) and starts velnor07 on the
# user's display, connected to the demo database.
#   VELNOR_DEMO_DIR   where the demo lives (default ~/.local/share/velnor07/demo)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEMO_DIR="${VELNOR_DEMO_DIR:-$HOME/.local/share/velnor07/demo}"

"$ROOT/tools/install-deps.sh"
"$ROOT/tools/build.sh"

if [ ! -f "$DEMO_DIR/registry.reg" ] || [ ! -f "$DEMO_DIR/aliases.ini" ] || [ ! -f "$DEMO_DIR/demo.db" ]; then
  echo "Provisioning the demo into $DEMO_DIR ..."
  "$ROOT/build/bin/velprovision" --dir "$DEMO_DIR" >/dev/null
fi
export VELNOR_REGISTRY="$DEMO_DIR/registry.reg"
export VELNOR_ALIASES="$DEMO_DIR/aliases.ini"

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
