# Sourced by ./package-windows: the program cross-built against the cached Qt, and the zip an operator
# unpacks on a Windows PC. Needs: REPO, QT_WIN_TOOLCHAIN (from qt.sh).

MINGW=x86_64-w64-mingw32

project_version() {
    sed -n 's/^project(timeclock-setup VERSION \([0-9.]*\).*/\1/p' "$REPO/CMakeLists.txt"
}

# build_windows_program QT_PREFIX BUILD_DIR: configures once and builds the program.
build_windows_program() {
    local qt=$1 dir=$2
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$REPO" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$QT_WIN_TOOLCHAIN" -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_FIND_ROOT_PATH="$qt" \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >&2
    fi
    cmake --build "$dir" >&2
}

# The DLLs a Windows binary imports by name.
imported_dlls() {
    "$MINGW-objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'
}

# copy_needed_dlls DEST QT_PREFIX BINARY...: copies every DLL the binaries need, directly or through another
# copied DLL, from the Qt prefix and the MinGW runtime into DEST, under its own name. Windows' own DLLs are
# found in neither and stay out.
copy_needed_dlls() {
    local dest=$1 qt=$2
    shift 2
    local runtime_dirs=("$qt/bin" "$(dirname "$("$MINGW-g++-posix" -print-file-name=libstdc++-6.dll)")"
        "$(dirname "$("$MINGW-g++-posix" -print-file-name=libwinpthread-1.dll)")")
    local queue=("$@") binary dll dir file
    while [ ${#queue[@]} -gt 0 ]; do
        binary=${queue[0]}
        queue=("${queue[@]:1}")
        for dll in $(imported_dlls "$binary"); do
            # DLL names are case-insensitive on Windows.
            [ -n "$(find "$dest" -maxdepth 1 -iname "$dll" -print -quit)" ] && continue
            for dir in "${runtime_dirs[@]}"; do
                file=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit)
                if [ -n "$file" ]; then
                    cp "$file" "$dest/"
                    queue+=("$dest/$(basename "$file")")
                    break
                fi
            done
        done
    done
}

# stage_and_zip QT_PREFIX QT_SOURCES BUILD_DIR OUT_DIR: lays out the program folder and zips it; prints the zip.
stage_and_zip() {
    local qt=$1 qt_src=$2 build=$3 out=$4
    local name
    name=timeclock-setup-$(project_version)-win64
    local stage=$out/$name
    rm -rf "$stage" "$out/$name.zip"
    mkdir -p "$stage/platforms" "$stage/styles" "$stage/imageformats" "$stage/translations" "$stage/licenses"

    # qt_standard_project_setup() puts Windows programs at the top of the build folder, beside their DLLs.
    local program
    for program in timeclock-setup timeclock-setup-cli; do
        "$MINGW-strip" -o "$stage/$program.exe" "$build/$program.exe"
    done
    cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
    # The native look, and the picture formats beyond PNG and BMP (which Qt Gui reads itself) for logos
    # made from pictures.
    cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
    cp "$qt"/plugins/imageformats/q{jpeg,gif,ico}.dll "$stage/imageformats/"
    copy_needed_dlls "$stage" "$qt" "$stage"/*.exe "$stage"/*/*.dll
    # Qt's own dialogs in Simplified and Traditional Chinese: Qt looks for its translations in "translations"
    # beside its DLLs. The cross-built Qt has none; a catalogue is the same on every platform, so the host's
    # copy of the same Qt version serves.
    cp /usr/share/qt6/translations/qtbase_zh_{CN,TW}.qm "$stage/translations/"
    "$MINGW-strip" --strip-unneeded "$stage"/*.dll "$stage"/*/*.dll

    cp "$REPO/app/bmp.txt" "$stage/"
    # UTF-8 with a byte order mark and CR LF, so Notepad shows the Chinese captions on any Windows.
    {
        printf '\xef\xbb\xbf'
        sed "s/@VERSION@/$(project_version)/g; s/@QT_SOURCE@/$(basename "$qt_src")/g; s/\$/\r/" \
            "$REPO/scripts/windows/README.txt"
    } >"$stage/README.txt"

    # Qt is linked as DLLs under the LGPL 3 (or GPL 2/3); its texts, and Debian's account of every part
    # inside Qt with its licence. The MinGW runtime DLLs come with their own terms.
    local text
    for text in LGPL-3.0-only GPL-2.0-only GPL-3.0-only Qt-GPL-exception-1.0; do
        cp "$qt_src/LICENSES/$text.txt" "$stage/licenses/Qt-${text#Qt-}.txt"
    done
    cp "$qt_src/debian/copyright" "$stage/licenses/Qt-parts-and-licences.txt"
    cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/MinGW-gcc-runtime.txt"
    cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/MinGW-winpthreads.txt"

    (cd "$out" && find "$name" -print | LC_ALL=C sort | zip -X -q "$name.zip" -@)
    echo "$out/$name.zip"
}
