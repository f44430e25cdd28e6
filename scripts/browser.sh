# Sourced by the tests and the benchmark that open a page in Debian's
# headless Chromium (chromium-headless-shell, else chromium). Each run has a
# new empty profile, no sandbox (it runs as root in CI) and nothing that
# reaches the network on its own.
browser() { # ARGS...: the browser's arguments, such as --dump-dom URL
  local program profile status=0
  program=$(command -v chromium-headless-shell || command -v chromium)
  profile=$(mktemp -d)
  "$program" --headless --no-sandbox --disable-gpu --disable-quic \
    --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$profile" \
    "$@" || status=$?
  rm -rf "$profile"
  return "$status"
}

# The screenshot of a page that docs/txreport.md shows (docs/fleet-report.png).
screenshot() { # PAGE PNG
  browser --hide-scrollbars --window-size=1200,720 --screenshot="$2" \
    "file://$(realpath "$1")"
}
