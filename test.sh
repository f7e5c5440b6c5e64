#!/usr/bin/env bash
# Builds Ferrowax with warnings as errors and runs every test, builds and
# checks its Debian package, then builds it again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the tests again, and the walk's tests
# once more under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
source tools/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== Release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERROWAX_WERROR=ON >/dev/null
cmake --build build
(cd build && ctest --output-on-failure --no-tests=error -j"$jobs")

echo "== Debian package"
(cd build && rm -f ferrowax_*.deb && cpack -G DEB >/dev/null)
tests/package/check_package.sh build/ferrowax_*.deb

echo "== Sanitizer build and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERROWAX_WERROR=ON -DFERROWAX_SANITIZE=ON >/dev/null
cmake --build build-asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure --no-tests=error -j"$jobs")

echo "== ThreadSanitizer build and the walk's tests"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFERROWAX_WERROR=ON -DFERROWAX_SANITIZE_THREAD=ON >/dev/null
cmake --build build-tsan --target search_tests walk_engine_tests
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/thread_sanitizer.supp"
(cd build-tsan && ctest --output-on-failure --no-tests=error -j"$jobs" -L "search_tests|walk_engine_tests")
echo "All tests passed."
