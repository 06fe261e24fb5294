# Sourced by the checks that run the Windows build under Wine, with the
# prefix folder as $1: a headless prefix (no display driver, no Mono or Gecko
# installers, no debug output), and $wine and $wineserver, Debian's own
# binaries first.
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine)
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
