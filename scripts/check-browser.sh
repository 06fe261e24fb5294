#!/usr/bin/env bash
# Browser tests of the look-dev page (`quillane serve`): Debian's chromium
# driven by playwright-core from npm, pinned by tests/browser's lock file.
# Nothing downloads a browser. Expects the default build (scripts/test.sh).
# Ends with one line: "browser tests: N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."

need=()
command -v chromium >/dev/null || need+=(chromium)
command -v npm >/dev/null || need+=(npm)
if ((${#need[@]})); then
  echo "Installing: ${need[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

if [ ! -x build/default/quillane ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target quillane
fi

cd tests/browser
PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error
log=$(mktemp)
status=0
CHROMIUM="$(command -v chromium)" node --test --test-concurrency=1 --test-reporter=tap \
  lookdev.test.mjs stage.test.mjs live.test.mjs >"$log" 2>&1 || status=$?
cat "$log"
passed=$(grep -c '^ok ' "$log" || true)
failed=$(grep -c '^not ok ' "$log" || true)
rm -f "$log"
echo "browser tests: ${passed} passed, ${failed} failed"
exit "$status"
