#!/usr/bin/env bash
# What the unpacked Linux package needs at run time, worked out from the
# files themselves as the loader would (readelf):
#   scripts/runtime-libraries.sh PACKAGE_DIR
# Follows the needed libraries of bin/quillane and lib/quillane/quillane.p,
# and of each library they find in lib/quillane/ (with those it opens while
# running, cmake/linux-opened-libraries.txt), and prints one line per
# library: carried (in lib/quillane/) or system (one of the allowed system
# libraries in cmake/linux-system-libraries.txt), and what needs it. Then
# prints the newest C library and C++ runtime symbol versions any file asks
# for. Fails when a library is needed that is neither carried nor allowed,
# when quillane's run path does not point at lib/quillane/ as DT_RPATH
# (a DT_RUNPATH would not serve the carried libraries' own needs), when a
# carried library has a run path of its own, or when one is carried that
# nothing needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "runtime-libraries: $*" >&2; exit 1; }

[ $# -eq 1 ] || fail "usage: runtime-libraries.sh PACKAGE_DIR"
package=$1
carried_dir=$package/lib/quillane
[ -x "$package/bin/quillane" ] && [ -f "$carried_dir/quillane.p" ] ||
  fail "$package has no bin/quillane and lib/quillane/quillane.p"
mapfile -t allowed < <(grep -v '^#' "$root/cmake/linux-system-libraries.txt")
# "opener opened" pairs: libraries carried libraries open while running.
mapfile -t opened < <(grep -v '^#' "$root/cmake/linux-opened-libraries.txt")

dynamic() { readelf --dynamic --wide "$1"; }
needed() { dynamic "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'; }
run_path() { dynamic "$1" | sed -n "s/.*($2).*\[\(.*\)\]$/\1/p"; }

# The run path: DT_RPATH, which the loader also uses for the dependencies
# of the libraries it finds there.
rpath=$(run_path "$package/bin/quillane" RPATH)
runpath=$(run_path "$package/bin/quillane" RUNPATH)
echo "bin/quillane: RPATH ${rpath:-none}, RUNPATH ${runpath:-none}"
[ "$rpath" = '$ORIGIN/../lib/quillane' ] && [ -z "$runpath" ] ||
  fail "bin/quillane must have the RPATH \$ORIGIN/../lib/quillane and no RUNPATH"

declare -A where needed_by
queue=(bin/quillane lib/quillane/quillane.p)
files=("${queue[@]}")
status=0
while ((${#queue[@]})); do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  opens=$(printf '%s\n' "${opened[@]}" | awk -v f="${file##*/}" '$1 == f { print $2 }')
  for lib in $(needed "$package/$file") $opens; do
    if [ -n "${where[$lib]:-}" ]; then
      needed_by[$lib]+=" ${file##*/}"
      continue
    fi
    needed_by[$lib]=${file##*/}
    if printf '%s\n' "${allowed[@]}" | grep -qxF "$lib"; then
      where[$lib]=system
    elif [ -f "$carried_dir/$lib" ]; then
      where[$lib]=carried
      queue+=("lib/quillane/$lib")
      files+=("lib/quillane/$lib")
    else
      where[$lib]=MISSING
      status=1
    fi
  done
done

printf '%-34s %-8s %s\n' library from "needed by"
for lib in $(printf '%s\n' "${!where[@]}" | sort); do
  printf '%-34s %-8s %s\n' "$lib" "${where[$lib]}" "${needed_by[$lib]}"
done
echo "$(printf '%s\n' "${where[@]}" | grep -c '^carried$') carried, $(printf '%s\n' "${where[@]}" | grep -c '^system$') from the system"

for path in "$carried_dir"/*; do
  name=${path##*/}
  [ "$name" = quillane.p ] && continue
  [ -n "${where[$name]:-}" ] || { echo "carried but needed by nothing: $name"; status=1; }
  if [ -n "$(run_path "$path" RPATH)$(run_path "$path" RUNPATH)" ]; then
    echo "carried library with a run path of its own: $name"
    status=1
  fi
done

# The floor: the newest versioned symbols of the C library and the C++
# runtime that any file of the package asks for.
for prefix in GLIBC GLIBCXX CXXABI; do
  newest=$(for file in "${files[@]}"; do objdump -p "$package/$file"; done |
    grep -o "\b${prefix}_[0-9][0-9.]*" | sort -uV | tail -1)
  echo "newest ${prefix} symbol version needed: ${newest:-none}"
done

for lib in "${!where[@]}"; do
  [ "${where[$lib]}" = MISSING ] && echo "needed but neither carried nor allowed: $lib (by ${needed_by[$lib]})"
done
[ "$status" -eq 0 ] || fail "the package does not carry what it needs (allowed system libraries: cmake/linux-system-libraries.txt)"
