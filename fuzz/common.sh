# Shared by fuzz/run and fuzz/replay (after scripts/common.sh): the libFuzzer targets, built with clang in
# build-fuzz, they and what they link and nothing else of the program.
fuzz_build="$PWD/build-fuzz"
# libFuzzer's runtime is in libclang-rt-14-dev, which clang alone does not pull in.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

build_fuzzers() {
    ensure_packages "${FUZZ_PACKAGES[@]}"
    echo "== building the fuzz targets in $fuzz_build"
    if [[ ! -f $fuzz_build/CMakeCache.txt ]]; then
        CC=clang CXX=clang++ cmake -S . -B "$fuzz_build" -G Ninja -DTIMECLOCK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
    cmake --build "$fuzz_build" --target timeclock_fuzzers
}

# Every target fuzz/CMakeLists.txt adds, one a line.
fuzz_targets() {
    cat "$fuzz_build/fuzz/targets.txt"
}
