#!/usr/bin/env bash
# Builds the processor tests with ThreadSanitizer in their own build folder and runs the test of
# automation from another thread while audio runs (and the other processor tests with it).
#   tests/plugin/run_tsan.sh [build dir]   (default <repo>/build-plugin-tsan)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-plugin-tsan}
flags=-fsanitize=thread
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRAVLIN_WITH_JUCE=ON \
  -DRAVLIN_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS=$flags -DCMAKE_C_FLAGS=$flags \
  -DCMAKE_EXE_LINKER_FLAGS=$flags -DCMAKE_SHARED_LINKER_FLAGS=$flags -DCMAKE_MODULE_LINKER_FLAGS=$flags >/dev/null
cmake --build "$build" --target ravlin_plugin_processor_tests -j2
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
  "$build/tests/plugin/ravlin_plugin_processor_tests" --gtest_filter='Concurrency.*:Processor.*:Reconfiguration.*'
