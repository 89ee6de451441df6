# Shared by ./run, ./test and the other top-level scripts: install what is missing, configure, build.

# Everything the program and its tests need from Debian 12.
# qt6-tools-dev and qt6-l10n-tools build the translations; qt6-translations-l10n holds Qt's own Chinese, both
# Simplified and Traditional; opencc tells tst_language_catalogue which characters are simplified.
# fonts-wqy-zenhei is the text logo's default face; tesseract reads text logos back in the tests.
TIMECLOCK_PACKAGES=(qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgl-dev cmake
    ninja-build g++ fonts-arphic-uming fonts-wqy-zenhei tesseract-ocr tesseract-ocr-eng tesseract-ocr-chi-sim help2man
    ser2net opencc python3-serial)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages [extra packages...]: installs only what is not installed yet.
ensure_packages() {
    local missing=()
    local package
    for package in "${TIMECLOCK_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

# build_tree DIR [cmake options...]: configures DIR once and builds everything in it.
build_tree() {
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir"
}
