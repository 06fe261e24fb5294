#!/usr/bin/env bash
# The Windows x64 build, proven against the Linux one:
#   - installs the cross compiler and Wine when missing;
#   - builds the windows preset (quillane.p and quillane.exe);
#   - checks with objdump that quillane.p exports exactly _mod_descrip and
#     imports only KERNEL32.dll and msvcrt.dll, and that quillane.exe needs
#     no runtime DLL;
#   - reads back both files' version resources (scripts/version-resource.py)
#     and checks them against the build's version;
#   - runs `quillane.exe eval` under Wine on the worked examples and on a
#     seeded set of generated cases, and compares each line with the Linux
#     build's output (scripts/compare-eval.py): traces identical, colours bit
#     for bit except where the tangent is rotated (within 1e-12 relative up
#     to the measured angle limit, not compared beyond it);
#   - compares `panel` for the built-in scene and the examples, checks that
#     `render` says it is not available, and that a cut copy of the DLL and
#     the Linux module are refused with a message.
# Wine runs headless in a private prefix under build/windows. Environment:
# QUILLANE_CASE_SEED (default 20261208), QUILLANE_CASE_COUNT (default 4096).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS

seed=${QUILLANE_CASE_SEED:-20261208}
count=${QUILLANE_CASE_COUNT:-4096}
win=$root/build/windows
linux=$root/build/default
work=$win/check
objdump=x86_64-w64-mingw32-objdump

step() { printf '== %s (%ds)\n' "$*" $((SECONDS - started)); }
fail() { echo "check-windows: $*" >&2; exit 1; }

step "packages"
scripts/install-deps.sh g++-mingw-w64-x86-64 wine64 python3-pefile

step "windows build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j2
[ -f "$linux/quillane" ] || {
  step "linux build (missing)"
  cmake --preset default >/dev/null
  cmake --build --preset default -j2 --target quillane
}

step "export and import tables"
# The names listed in the export name table, one per line.
exports=$("$objdump" -p "$win/quillane.p" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p')
imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p' | sort -u | tr '\n' ' '; }
module_imports=$(imports "$win/quillane.p")
exe_imports=$(imports "$win/quillane.exe")
echo "quillane.p exports: $(echo "$exports" | tr '\n' ' ')"
echo "quillane.p imports: $module_imports"
echo "quillane.exe imports: $exe_imports"
[ "$exports" = "_mod_descrip" ] || fail "quillane.p must export exactly _mod_descrip"
for dll in $module_imports; do
  case ${dll,,} in
    kernel32.dll | msvcrt.dll) ;;
    *) fail "quillane.p imports $dll: only KERNEL32.dll and msvcrt.dll are allowed" ;;
  esac
done
for dll in $exe_imports; do
  case ${dll,,} in
    libstdc++* | libgcc* | libwinpthread*) fail "quillane.exe needs the runtime DLL $dll" ;;
  esac
done

step "version resources"
# Debian's Python, which has the pefile package.
/usr/bin/python3 scripts/version-resource.py --version "$(cat "$win/version/version.txt")" \
  "$win/quillane.p" "$win/quillane.exe" || fail "wrong version resource"

step "wine prefix"
. scripts/wine-env.sh "$win/wine-prefix"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
  "$wineserver" --wait
  [ -f "$WINEPREFIX/system.reg" ] || fail "wineboot did not create the prefix $WINEPREFIX"
fi
trap '"$wineserver" --kill >/dev/null 2>&1 || true' EXIT

step "eval cases"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
python3 "$root/scripts/gen-cases.py" worked >worked.jsonl
python3 "$root/scripts/gen-cases.py" generated --seed "$seed" --count "$count" >generated.jsonl
python3 "$root/scripts/gen-cases.py" angles --seed "$seed" >angles.jsonl
status=0
for set in worked generated angles; do
  "$linux/quillane" eval $set.jsonl >$set.linux || fail "linux eval of $set cases failed"
  "$wine" "$win/quillane.exe" eval $set.jsonl >$set.windows ||
    fail "quillane.exe eval of $set cases failed under Wine"
  python3 "$root/scripts/compare-eval.py" $set.jsonl $set.linux $set.windows \
    --label "$set (seed $seed)" || status=1
done

step "panel and render"
cd "$root"
for scene in "" examples/*.json; do
  name=${scene:-built-in scene}
  "$linux/quillane" panel $scene >"$work/panel.linux" || fail "linux panel $name failed"
  "$wine" "$win/quillane.exe" panel $scene >"$work/panel.raw" ||
    fail "quillane.exe panel $name failed under Wine"
  # The Windows C runtime writes text with CR LF line ends.
  tr -d '\r' <"$work/panel.raw" >"$work/panel.windows"
  if cmp -s "$work/panel.linux" "$work/panel.windows"; then
    echo "panel $name: identical"
  else
    echo "panel $name: differs"
    diff "$work/panel.linux" "$work/panel.windows" || true
    status=1
  fi
done
cd "$work"
render_status=0
"$wine" "$win/quillane.exe" render 2>render.err || render_status=$?
if [ "$render_status" -eq 2 ] && grep -q "not available in this build" render.err; then
  echo "render: reports that it is not available (exit 2)"
else
  echo "render: expected exit 2 and a 'not available' message, got $render_status: $(cat render.err)"
  status=1
fi

step "module file checks"
# A cut copy of the DLL and the Linux module: refused before the loader
# maps them, with exit 2 and a message saying why.
head -c 4000 "$win/quillane.p" >cut.p
cp "$linux/quillane.p" linux.p
for check in "cut.p:truncated or corrupt" "linux.p:an ELF file, this host loads PE DLLs"; do
  module=${check%%:*} expected=${check#*:} module_status=0
  "$wine" "$win/quillane.exe" --module "$module" panel >/dev/null 2>module.err || module_status=$?
  if [ "$module_status" -eq 2 ] && grep -q "$expected" module.err; then
    echo "module $module: refused ($(tr -d '\r' <module.err))"
  else
    echo "module $module: expected exit 2 and '$expected', got $module_status: $(cat module.err)"
    status=1
  fi
done

step "done"
[ "$status" -eq 0 ] || fail "the Windows build differs from the Linux build"
echo "check-windows: passed in $((SECONDS - started)) s"
