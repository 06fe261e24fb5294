#!/usr/bin/env bash
# The Linux package on a bare system: a minimal root filesystem of this
# machine's Debian release, built afresh with debootstrap (variant minbase:
# no development packages, no libraries beyond the base system), in which,
# through chroot, the tarball is unpacked into /opt and run from another
# folder:
#   - ldd of bin/quillane and quillane.p: every library found in the
#     package's lib/quillane/, or one of the allowed system libraries
#     (cmake/linux-system-libraries.txt);
#   - `quillane --version` naming the packaged module;
#   - `render` of the built-in scene, the PNG byte for byte the build's;
#   - `lobe -o x.pdf`;
#   - `compare` of that render with the build's (no difference);
#   - `serve` on a free loopback port, answering every request for 2 s
#     once its first preview and views are drawn.
# The libraries the package carries are first deleted from the root, so
# only the package's copies can serve. Run by scripts/check-release.sh:
#   scripts/check-bare-system.sh TARBALL
# Needs root (debootstrap, chroot, mounting /proc for the loader's $ORIGIN).
# The root filesystem lives in build/bare-system and is removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
root_dir=$PWD
started=$SECONDS
linux=$root_dir/build/default
bare=$root_dir/build/bare-system

step() { printf '== bare system: %s (%ds)\n' "$*" $((SECONDS - started)); }
fail() { echo "check-bare-system: $*" >&2; exit 1; }

[ $# -eq 1 ] && [ -f "$1" ] || fail "usage: check-bare-system.sh TARBALL (the Linux package)"
tarball=$(realpath "$1")
[ "$(id -u)" -eq 0 ] || fail "needs root: debootstrap and chroot"
[ -x "$linux/quillane" ] || fail "$linux/quillane is missing: build the default preset first"

server=
# Unmounts whatever is mounted inside the root (deepest first) before
# removing it, and never crosses into another filesystem while removing.
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  if [ -d "$bare" ]; then
    awk -v r="$bare/" 'index($2, r) == 1 { print $2 }' /proc/mounts | sort -r |
      while read -r mount; do umount "$mount" || umount -l "$mount"; done
    rm -rf --one-file-system "$bare"
  fi
}
trap cleanup EXIT

step "packages"
scripts/install-deps.sh debootstrap

step "root filesystem"
. /etc/os-release
release=${VERSION_CODENAME:?/etc/os-release names no release}
# The mirror apt uses here; debootstrap checks what it fetches against
# Debian's archive keyring.
mirror=$(python3 scripts/apt-mirror.py "$release") ||
  fail "no Debian mirror for $release in apt's sources"
cleanup
mkdir -p "$bare"
root=$bare/root
root_started=$SECONDS
debootstrap --variant=minbase "$release" "$root" "$mirror" >"$bare/debootstrap.log" 2>&1 ||
  { tail -20 "$bare/debootstrap.log"; fail "debootstrap of $release from $mirror failed"; }
root_seconds=$((SECONDS - root_started))
echo "debootstrap --variant=minbase $release: $root_seconds s, $(du -sm "$root" | cut -f1) MB"

# Runs a shell command inside the root, in /home/check, with a clean
# environment (nothing of this machine's paths or settings).
inside() {
  env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    chroot "$root" /bin/sh -c "cd /home/check && $1"
}

step "no development packages, none of the carried libraries"
mkdir -p "$root/home/check"
dev=$(inside "dpkg-query --show --showformat='\${Package}\n'" | grep -E -- '-dev(:|$)' || true)
[ -z "$dev" ] || fail "the root has development packages: $dev"
mapfile -t carried < <(tar -tzf "$tarball" | sed -n 's|^[^/]*/lib/quillane/\(lib[^/]*\.so[^/]*\)$|\1|p')
((${#carried[@]})) || fail "$tarball carries no libraries in lib/quillane/"
removed=()
for lib in "${carried[@]}"; do
  for dir in usr/lib/x86_64-linux-gnu lib/x86_64-linux-gnu usr/lib lib; do
    if [ -e "$root/$dir/$lib" ] || [ -L "$root/$dir/$lib" ]; then
      rm -f "$root/$dir/$lib"
      removed+=("$lib")
    fi
  done
done
echo "the package carries ${#carried[@]} libraries; deleted from the root, which also had them: ${removed[*]:-none}"

step "unpack into /opt and check what the loader finds"
mount -t proc proc "$root/proc"
cp "$tarball" "$root/tmp/"
inside "tar -xzf /tmp/${tarball##*/} -C /opt"
package=/opt/$(basename "$tarball" .tar.gz)
mapfile -t allowed < <(grep -v '^#' cmake/linux-system-libraries.txt)
for file in bin/quillane lib/quillane/quillane.p; do
  inside "ldd $package/$file" >"$bare/ldd.txt" || fail "ldd $file failed in the root"
  echo "ldd $file:"
  sed 's/ (0x[0-9a-f]*)$//' "$bare/ldd.txt"
  while read -r name arrow path _; do
    [ "$name" = linux-vdso.so.1 ] && continue
    case $path in "$package"/*) continue ;; esac
    name=${name##*/}
    printf '%s\n' "${allowed[@]}" | grep -qxF "$name" ||
      fail "$file needs $name, found as '${arrow:-} ${path:-}': neither carried nor an allowed system library"
  done <"$bare/ldd.txt"
done

step "quillane --version, render, lobe, compare from another folder"
inside "$package/bin/quillane --version" | tee "$bare/version.txt"
grep -q "^module $package/lib/quillane/quillane.p " "$bare/version.txt" ||
  fail "the packaged quillane does not load the packaged module"
(cd "$bare" && "$linux/quillane" render -o built.png >/dev/null) || fail "the build's render failed"
cp "$bare/built.png" "$root/home/check/"
inside "$package/bin/quillane render -o packaged.png" || fail "render failed on the bare system"
cmp "$root/home/check/packaged.png" "$bare/built.png" ||
  fail "the render on the bare system differs from the build's"
echo "render: the same PNG as the build's ($(stat -c %s "$bare/built.png") bytes)"
inside "$package/bin/quillane lobe -o x.pdf" || fail "lobe -o x.pdf failed on the bare system"
[ "$(head -c 5 "$root/home/check/x.pdf")" = "%PDF-" ] || fail "lobe -o x.pdf wrote no PDF"
echo "lobe: x.pdf, $(stat -c %s "$root/home/check/x.pdf") bytes"
inside "$package/bin/quillane compare packaged.png built.png --max-error 0 -o sheet.png" ||
  fail "compare failed on the bare system"

step "serve on loopback"
# The root shares this machine's network, so its loopback is this one's.
env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  chroot "$root" "$package/bin/quillane" serve --port 0 >"$bare/serve.log" 2>&1 &
server=$!
for _ in $(seq 50); do
  grep -q 'http://127.0.0.1:[0-9]*/' "$bare/serve.log" && break
  kill -0 "$server" 2>/dev/null || { cat "$bare/serve.log"; fail "serve exited"; }
  sleep 0.1
done
url=$(grep -o 'http://127.0.0.1:[0-9]*/' "$bare/serve.log" | head -1)
[ -n "$url" ] || { cat "$bare/serve.log"; fail "serve printed no address"; }
python3 - "$url" <<'EOF' || fail "serve did not answer for 2 s"
import sys, time, urllib.error, urllib.request
url, paths, answered = sys.argv[1], ["", "api/state", "api/preview", "api/view/lobe.png"], 0
# The preview and the views exist once the first passes are drawn (404
# until then): wait up to 30 s for every path to answer once.
ready = time.monotonic() + 30
for path in paths:
    while True:
        try:
            urllib.request.urlopen(url + path, timeout=5).read()
            break
        except urllib.error.HTTPError as error:
            if error.code != 404 or time.monotonic() > ready:
                sys.exit(f"{url}{path}: status {error.code}")
            time.sleep(0.1)
end = time.monotonic() + 2
while time.monotonic() < end:
    for path in paths:
        with urllib.request.urlopen(url + path, timeout=5) as reply:
            if reply.status != 200 or not reply.read():
                sys.exit(f"{url}{path}: status {reply.status}, or an empty answer")
        answered += 1
print(f"serve: {answered} requests answered in 2 s at {url} ({', '.join('/' + p for p in paths)})")
EOF
kill -0 "$server" 2>/dev/null || fail "serve stopped while answering"

step "done"
echo "check-bare-system: passed in $((SECONDS - started)) s (root filesystem: $root_seconds s)"
