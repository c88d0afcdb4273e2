#!/usr/bin/env bash
# CI stage: the non-GUI libraries (platform, shell, core, epub, organise) and their tests, built with
# AddressSanitizer and UndefinedBehaviorSanitizer, and run.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
build=build-sanitize
tests=(platform_tests shell_tests epub_tests organise_tests)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOLCARO_SANITIZE=ON >/dev/null
cmake --build "$build" --target "${tests[@]}"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
config="$(mktemp -d)"
trap 'rm -rf "$config"' EXIT
export XDG_CONFIG_HOME="$config"
status=0
for test in "${tests[@]}"; do
  echo "== $test"
  "$build/tests/$test" --gtest_brief=1 || status=1
done
echo "sanitize stage: $((SECONDS - start)) s"
exit $status
