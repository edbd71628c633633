#!/usr/bin/env bash
# The checks CI runs after the README's test command (scripts/test.sh):
#   1. a clang build with AddressSanitizer and UndefinedBehaviorSanitizer, running the tests of
#      the competition core, the settings, the protocol files and the exports;
#   2. the source formatting (clang-format);
#   3. every benchmark once with a small count, as a normal user: it must end, print its figures
#      and lose nothing (scripts/bench-smoke.sh; no speed is judged);
#   4. the fuzz targets replaying their seeds and every input that once failed;
#   5. the Debian package: built, listed, unpacked and started (scripts/check-package.sh);
#   6. LibreOffice under de_DE.UTF-8 opening what the packaged program writes: a filled protocol
#      saved as a workbook and converted to CSV, Word documents converted to PDF, one of them made
#      from a template LibreOffice wrote (tests/exports/check_export.py office).
# Run it from a clone after scripts/test.sh, or alone: it installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

echo "== clang with AddressSanitizer: competition, settings, protocol and export tests"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRV_WERROR=ON \
    -DBRV_ASAN=ON -DBRV_BUILD_BENCH=OFF -DBRV_SUBSYSTEMS="competition;settings;protocol;exports"
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure --timeout 900

echo "== Source formatting"
cmake -S . -B build-test -G Ninja >/dev/null
cmake --build build-test --target format-check

echo "== Benchmarks: a smoke run of each"
cmake --build build-test
./scripts/bench-smoke.sh build-test

echo "== Fuzz targets: seeds and regression inputs"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRV_FUZZ=ON \
    -DBRV_BUILD_TESTS=OFF -DBRV_BUILD_BENCH=OFF -DBRV_SUBSYSTEMS="competition;protocol"
cmake --build build-fuzz --target fuzz_workbook fuzz_workbook_xml
./build-fuzz/fuzz/fuzz_workbook fuzz/seeds/* fuzz/regressions/*.xlsx
./build-fuzz/fuzz/fuzz_workbook_xml fuzz/seeds-xml/* fuzz/regressions/*.bin
./scripts/check-package.sh build-package

echo "== LibreOffice opens the workbook and the Word documents (de_DE.UTF-8)"
LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 BRV_REQUIRE_OFFICE=1 /usr/bin/python3 tests/exports/check_export.py office \
    build-package/src/app/brenvolutaris examples/Beispiel-Wettkampf.xlsx
echo "== All checks passed"
