#!/usr/bin/env bash
# Rewrites golden.qar: the archive the compressor makes from the fixed inputs
# and dates of the test Compress.Golden_SameBytesInBothBuilds. Both builds must
# then reproduce it byte for byte. Run after a deliberate format change only.
#   tests/data/archive/make_golden.sh [path/to/archive_tests]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tests=${1:-$here/../../../build/native/tests/archive/archive_tests}
QUENDEL_WRITE_GOLDEN=1 "$tests" --gtest_filter=Compress.Golden_SameBytesInBothBuilds
ls -l "$here/golden.qar"
