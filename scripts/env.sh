# Shared environment for the project's scripts: where things live and how Wine is run.
# Sourced, never executed. Every path can be overridden so that several checkouts or
# build trees can run side by side without sharing a wineserver.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export LULLGATE_ROOT="$root"
export LULLGATE_DEPS="${LULLGATE_DEPS:-$root/.deps}"
export LULLGATE_BUILD="${LULLGATE_BUILD:-$root/build}"
# Tests run under Wine's null graphics driver; the run script and screenshots need X11.
# One wineserver keeps the first driver it loaded, so the two use separate prefixes.
export LULLGATE_WINE_TEST="${LULLGATE_WINE_TEST:-$root/.wine/test}"
export LULLGATE_WINE_X11="${LULLGATE_WINE_X11:-$root/.wine/x11}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winebrowser.exe=d"
export WINEARCH=win64
# A Unix TZ leaks into the Windows environment and msvcrt misparses it.
unset TZ
