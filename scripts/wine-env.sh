# Sourced by scripts/run and scripts/wine: the Wine prefix and loader that
# the project's own runs use, chosen once for this machine.
#
# Where the kernel runs 32-bit programs: Debian's `wine` in build/wine-run,
# and the 32-bit txreset.exe, the file to ship. Where it does not, the
# 32-bit loader cannot start at all: Wine's 64-bit loader in a 64-bit prefix
# of its own, build/wine-run64, and the x86-64 build. WINEPREFIX, if set,
# names the prefix instead.
# Sets: WINE_LOADER, TXRESET_PRESET, IA32_REASON (empty where 32-bit runs).
choose_wine() {
  local answer
  answer=$(mktemp)
  scripts/ia32_probe.sh probe /usr/lib/wine/wine "$answer" >/dev/null
  IA32_REASON=$(<"$answer")
  rm -f "$answer"

  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "$IA32_REASON" ]; then
    WINE_LOADER=wine TXRESET_PRESET=win32
    export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine-run}
  else
    WINE_LOADER=/usr/lib/wine/wine64 TXRESET_PRESET=win64
    export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine-run64}
    export WINELOADER=$WINE_LOADER WINEARCH=win64
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the Wine prefix $WINEPREFIX ..." >&2
    mkdir -p "$WINEPREFIX"
    "$WINE_LOADER" wineboot -i </dev/null >"$WINEPREFIX.log" 2>&1
    wineserver -w
  fi
}
