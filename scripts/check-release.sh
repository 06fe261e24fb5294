#!/usr/bin/env bash
# The release check, run by CI after scripts/test.sh and
# scripts/check-windows.sh, reusing their builds (build/default and
# build/windows):
#   1. packages: the Linux tarball and the Windows zip (cpack) in
#      build/packages, with SHA256SUMS beside them;
#   2. reproducible module files: the same commit cloned into another
#      folder and only quillane.p built there, for Linux and for Windows;
#      each must equal the first build's byte for byte;
#   3. the packages work where they are unpacked: the Windows zip in an
#      empty folder, its quillane.exe evaluating the worked examples under
#      Wine in a Wine prefix made afresh for it (as the Linux build does),
#      and the Linux tarball's quillane rendering from another folder (the
#      same PNG as the build's);
#   4. what the Linux package needs at run time (scripts/runtime-libraries.sh):
#      only libraries it carries and the allowed system ones; the install
#      guide names the C library version it was built against;
#   5. the Linux package on a bare Debian root filesystem
#      (scripts/check-bare-system.sh);
#   6. `cmake --install` into a prefix: the installed quillane finds its
#      module.
# The tracked files must match the commit (the second build is of the commit).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS
linux=$root/build/default
win=$root/build/windows
packages=$root/build/packages
work=$root/build/release-check

step() { printf '== %s (%ds)\n' "$*" $((SECONDS - started)); }
fail() { echo "check-release: $*" >&2; exit 1; }

[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  fail "tracked files differ from the commit: commit them first (the check rebuilds the commit)"
[ -f "$win/quillane.exe" ] && command -v wine >/dev/null || {
  step "windows build and Wine (missing: running scripts/check-windows.sh)"
  scripts/check-windows.sh
}
# Archive times follow the commit, not the clock.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

step "builds up to date"
cmake --preset default >/dev/null
cmake --build --preset default -j2 --target quillane quillane_plugin
cmake --build --preset windows -j2 --target quillane quillane_plugin
version=$(cat "$linux/version/version.txt")
[ "$version" = "$(cat "$win/version/version.txt")" ] || fail "the two builds have different versions"
echo "version $version"

step "packages"
rm -rf "$packages" "$work"
mkdir -p "$packages" "$work"
for build in "$linux" "$win"; do
  cpack --config "$build/CPackConfig.cmake" -B "$packages" >"$work/cpack.log" ||
    { cat "$work/cpack.log"; fail "cpack failed for $build"; }
done
rm -rf "$packages/_CPack_Packages"
zip=quillane-$version-windows-x64.zip
tarball=quillane-$version-linux-x64.tar.gz
(cd "$packages" && [ -f "$zip" ] && [ -f "$tarball" ] && sha256sum "$tarball" "$zip" >SHA256SUMS) ||
  fail "expected $zip and $tarball in $packages"
ls -l "$packages" | sed 1d
cat "$packages/SHA256SUMS"

step "reproducible module files"
copy=$(mktemp -d "${TMPDIR:-/tmp}/quillane-again.XXXXXX")
trap 'rm -rf "$copy"' EXIT
git clone --quiet --no-hardlinks "$root" "$copy/quillane"
git -C "$copy/quillane" checkout --quiet --detach "$(git rev-parse HEAD)"
for preset in default windows; do
  (cd "$copy/quillane" && cmake --preset $preset >/dev/null &&
    cmake --build --preset $preset -j2 --target quillane_plugin >/dev/null) ||
    fail "the second $preset build failed"
  first=$root/build/$preset/quillane.p
  second=$copy/quillane/build/$preset/quillane.p
  printf '%-8s %s  %s\n' $preset "$(sha256sum <"$first" | cut -c1-64)" "$first"
  printf '%-8s %s  %s\n' $preset "$(sha256sum <"$second" | cut -c1-64)" "$second"
  cmp "$first" "$second" || fail "$preset quillane.p differs between two builds of one commit"
done

step "windows package, unpacked into an empty folder, in a fresh wine prefix"
# A prefix of its own, made now in the check's folder (which every run starts
# afresh), so nothing the build's prefix holds can help the package.
. scripts/wine-env.sh "$work/wine-prefix"
trap '"$wineserver" --kill >/dev/null 2>&1 || true; rm -rf "$copy"' EXIT
prefix_started=$SECONDS
"$wine" wineboot --init >/dev/null 2>&1 || true
"$wineserver" --wait
[ -f "$WINEPREFIX/system.reg" ] || fail "wineboot did not create the prefix $WINEPREFIX"
echo "fresh wine prefix: $((SECONDS - prefix_started)) s"
mkdir "$work/windows" "$work/elsewhere"
python3 -m zipfile -e "$packages/$zip" "$work/windows"
unpacked=$work/windows/quillane-$version-windows-x64
(cd "$work/windows" && find . -type f | sort)
cd "$work/elsewhere"
python3 "$root/scripts/gen-cases.py" worked >worked.jsonl
"$wine" "$unpacked/quillane.exe" --version | tr -d '\r' | tee version.windows
grep -q "^quillane $version$" version.windows || fail "quillane.exe --version does not say $version"
grep -q "quillane.p ($(stat -c %s "$win/quillane.p") bytes, SHA-256 $(sha256sum <"$win/quillane.p" | cut -c1-64))" \
  version.windows || fail "quillane.exe --version does not name the packaged quillane.p"
"$linux/quillane" eval worked.jsonl >worked.linux
"$wine" "$unpacked/quillane.exe" eval worked.jsonl >worked.windows ||
  fail "the packaged quillane.exe eval failed"
python3 "$root/scripts/compare-eval.py" worked.jsonl worked.linux worked.windows \
  --label "packaged quillane.exe, worked examples" || fail "the packaged quillane.exe differs"

step "linux package, run from another folder"
mkdir "$work/linux"
tar -xzf "$packages/$tarball" -C "$work/linux"
unpacked=$work/linux/quillane-$version-linux-x64
(cd "$work/linux" && find . -type f | sort)
"$unpacked/bin/quillane" --version | tee version.linux
grep -q "^module $unpacked/lib/quillane/quillane.p " version.linux ||
  fail "the packaged quillane does not load the packaged module"
"$unpacked/bin/quillane" render --size 160x90 -o packaged.png
"$linux/quillane" render --size 160x90 -o built.png
cmp packaged.png built.png || fail "the packaged quillane renders another picture"

step "linux package: what it needs at run time"
"$root/scripts/runtime-libraries.sh" "$unpacked" | tee runtime-libraries.txt ||
  fail "the Linux package needs libraries it does not carry"
# The floor the install guide states: the C library the build ran against.
glibc=$(getconf GNU_LIBC_VERSION | cut -d' ' -f2)
grep -q "glibc $glibc " "$root/docs/install.md" ||
  fail "docs/install.md does not name glibc $glibc, the C library the package was built against"
echo "built against glibc $glibc"

step "linux package on a bare system"
bare_started=$SECONDS
"$root/scripts/check-bare-system.sh" "$packages/$tarball"
bare_seconds=$((SECONDS - bare_started))

step "cmake --install into a prefix"
cmake --install "$linux" --prefix "$work/prefix" >/dev/null
"$work/prefix/bin/quillane" --version | tee version.installed
grep -q "^module $work/prefix/lib/quillane/quillane.p " version.installed ||
  fail "the installed quillane does not load the installed module"
"$work/prefix/bin/quillane" panel >/dev/null || fail "the installed quillane panel failed"

step "done"
echo "check-release: passed in $((SECONDS - started)) s (the bare system: $bare_seconds s)"
