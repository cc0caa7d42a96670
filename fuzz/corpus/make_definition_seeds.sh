#!/usr/bin/env bash
# Makes the binary seeds of fuzz_definition_binary from the text seeds of
# fuzz_definition_text, with the native build's author tool:
#   cmake --build --preset native --target quendel && fuzz/corpus/make_definition_seeds.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
quendel=${QUENDEL:-$here/../../build/native/apps/quendel/quendel}
for t in "$here"/definition_text/*.txt; do
  "$quendel" definition to-binary "$t" -o "$here/definition_binary/$(basename "${t%.txt}").bin"
done
