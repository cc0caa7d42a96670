#!/usr/bin/env bash
# Remakes the .lnk fixtures with the project's own writer (native build):
# usage make_fixtures.sh BUILD_DIR, e.g. build/native.
set -euo pipefail
QUENDEL_WRITE_LINK_FIXTURES=1 "$1/tests/platform/platform_tests" \
  --gtest_filter='ShellLinkFormat.Encode_MatchesTheCheckedInFixtures'
