# Sourced by the Wine scripts: one quiet 64-bit Wine prefix for the project's tests, kept under
# the build folder, with the null graphics driver so that windows work without an X server.
TOVREL_ROOT=${TOVREL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${TOVREL_WINEPREFIX:-$TOVREL_ROOT/build/wine64-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Debian 12 has no wine64 launcher on the PATH; the 64-bit loader lives here. Never use the
# plain 'wine' launcher: with 32-bit Wine installed it picks the 32-bit loader.
TOVREL_WINE=/usr/lib/wine/wine64
TOVREL_WINESERVER=/usr/lib/wine/wineserver64
[ -x "$TOVREL_WINESERVER" ] || TOVREL_WINESERVER=$(command -v wineserver)
