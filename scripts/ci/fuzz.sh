#!/usr/bin/env bash
# CI stage: every libFuzzer target for 60 seconds (see scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$SECONDS
status=0
bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}" || status=$?
echo "fuzz stage: $((SECONDS - start)) s"
exit $status
