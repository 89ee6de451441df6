# Sourced by ./package-windows: the minimal Qt for 64-bit Windows, cross-built once from Debian's own
# qt6-base sources and kept in a cache folder keyed by everything that shapes it.
# Needs: REPO (repository root), TIMECLOCK_CACHE (cache folder).
# TIMECLOCK_QT_ARCHIVES (default: shared/windows-qt beside the repository's folder) may hold that folder
# ready-built as qt-<version>-mingw64-<key>.tar.xz; a machine without the cache then unpacks it instead of
# building.

QT_WIN_VERSION=6.4.2
QT_WIN_TOOLCHAIN=$REPO/cmake/mingw-w64-x86_64.cmake
QT_WIN_ARCHIVES=${TIMECLOCK_QT_ARCHIVES:-$(dirname "$REPO")/shared/windows-qt}

# The Windows build needs Core, Gui, Widgets and the windows platform plugin; everything else is off so the
# build stays near half an hour on two cores.
# - INPUT_opengl=no as well as FEATURE_opengl=OFF: the feature alone still leaves the dynamic-GL code in.
# - tabletevent needs 3rdparty/wintab, which Debian's source tarball does not carry.
# - direct2d is off, and directwrite3 with it: the windows plugin otherwise refers to the direct2d font
#   engine and fails to link.
QT_WIN_FLAGS=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DINPUT_opengl=no
    -DFEATURE_opengl=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_network=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_testlib=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_zstd=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_direct2d=OFF
    -DFEATURE_directwrite3=OFF
)

# Our own changes to Qt's sources, applied after Debian's; part of the cache key.
QT_WIN_PATCHES=("$REPO"/scripts/windows/qt-patches/*.patch)
[ -e "${QT_WIN_PATCHES[0]}" ] || QT_WIN_PATCHES=()

# The Debian source version matching the host Qt, whose moc, rcc and uic the cross build uses.
qt_source_version() {
    dpkg-query -W -f='${source:Version}' qt6-base-dev
}

qt_cache_key() {
    {
        echo "$QT_WIN_VERSION $(qt_source_version)"
        printf '%s\n' "${QT_WIN_FLAGS[@]}"
        cat "$QT_WIN_TOOLCHAIN"
        [ ${#QT_WIN_PATCHES[@]} -eq 0 ] || cat "${QT_WIN_PATCHES[@]}"
        x86_64-w64-mingw32-g++-posix -dumpfullversion
    } | sha256sum | cut -c1-12
}

qt_prefix() {
    echo "$TIMECLOCK_CACHE/qt-$QT_WIN_VERSION-mingw64-$(qt_cache_key)"
}

# apt-get through a private sources folder and list folder, so the machine's apt configuration and lists
# stay as they are.
private_apt() {
    local apt_dir=$TIMECLOCK_CACHE/apt
    apt-get -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt_dir/sources.list.d" \
        -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" \
        -o APT::Sandbox::User=root "$@"
}

# The release this machine runs (bookworm); only its own suites give source packages, so a third-party
# repository that publishes no sources cannot break the download.
debian_codename() {
    (. /etc/os-release && echo "$VERSION_CODENAME")
}

# write_deb_src_lists DIR: the machine's own binary package sources, whatever mirror it uses, turned into
# source package sources in DIR: one-line "deb" entries of /etc/apt/sources.list and sources.list.d/*.list
# into DIR/machine.list, the deb822 paragraphs of sources.list.d/*.sources into DIR/machine.sources.
write_deb_src_lists() {
    local dir=$1 codename
    codename=$(debian_codename)
    mkdir -p "$dir"
    rm -f "$dir"/*.list "$dir"/*.sources
    local file one_line=() deb822=()
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] && one_line+=("$file")
    done
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && deb822+=("$file")
    done
    # deb [options] URI SUITE COMPONENT...
    cat /dev/null "${one_line[@]}" | awk -v codename="$codename" '
        { sub(/#.*/, "") }
        $1 != "deb" { next }
        {
            options = ""
            i = 2
            if ($i ~ /^\[/) {
                while (i <= NF) { options = options (options == "" ? "" : " ") $i; if ($(i++) ~ /\]$/) break }
                options = options " "
            }
            suite = $(i + 1)
            if (suite != codename && index(suite, codename "-") != 1) next
            line = "deb-src " options $i
            for (j = i + 1; j <= NF; j++) line = line " " $j
            print line
        }' >"$dir/machine.list"
    # Paragraphs of "Field: value" lines with indented continuation lines; Types and Suites are rewritten,
    # every other field (Signed-By with a key inside, too) is kept as it is.
    for file in "${deb822[@]}"; do
        cat "$file"
        echo
    done | awk -v codename="$codename" '
        function flush(   i, n, kept, suites) {
            if (count > 0 && wanted_type && !disabled) {
                n = split(suite_list, suites, /[ \t]+/)
                kept = ""
                for (i = 1; i <= n; i++)
                    if (suites[i] == codename || index(suites[i], codename "-") == 1)
                        kept = kept (kept == "" ? "" : " ") suites[i]
                if (kept != "") {
                    print "Types: deb-src"
                    print "Suites: " kept
                    for (i = 1; i <= count; i++) print lines[i]
                    print ""
                }
            }
            count = 0; wanted_type = 0; disabled = 0; suite_list = ""; field = ""
        }
        /^#/ { next }
        /^[ \t]*$/ { flush(); next }
        /^[ \t]/ { if (field != "types" && field != "suites") lines[++count] = $0; next }
        {
            field = tolower(substr($0, 1, index($0, ":") - 1))
            value = substr($0, index($0, ":") + 1)
            if (field == "types") { if ((" " value " ") ~ /[ \t]deb[ \t]/) wanted_type = 1 }
            else if (field == "suites") suite_list = value
            else {
                if (field == "enabled" && value ~ /^[ \t]*no[ \t]*$/) disabled = 1
                lines[++count] = $0
            }
        }
        END { flush() }' >"$dir/machine.sources"
    if [ ! -s "$dir/machine.list" ] && [ ! -s "$dir/machine.sources" ]; then
        echo "No $codename package sources in /etc/apt/sources.list or /etc/apt/sources.list.d/ to take Qt's sources from" >&2
        return 1
    fi
}

# fetch_qt_sources: prints the folder of the unpacked qt6-base sources (Debian's patches applied).
fetch_qt_sources() {
    local version src_root apt_dir=$TIMECLOCK_CACHE/apt
    version=$(qt_source_version)
    src_root=$TIMECLOCK_CACHE/src/qt6-base-$version
    if [ ! -f "$src_root/.unpacked" ]; then
        mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$src_root"
        write_deb_src_lists "$apt_dir/sources.list.d"
        private_apt update >&2
        rm -rf "$src_root"/qt6-base-*/
        (cd "$src_root" && private_apt source "qt6-base=$version" >&2)
        touch "$src_root/.unpacked"
    fi
    local dirs=("$src_root"/qt6-base-*/)
    echo "${dirs[0]%/}"
}

# unpack_windows_qt PREFIX ARCHIVE: unpacks a ready-built Qt into the cache. It lands in a folder of its own
# first, so an interrupted unpack never looks like a complete Qt.
unpack_windows_qt() {
    local prefix=$1 archive=$2
    local staging
    mkdir -p "$TIMECLOCK_CACHE"
    staging=$(mktemp -d "$prefix.unpack.XXXXXX")
    tar -xJf "$archive" -C "$staging" >&2
    if [ ! -f "$staging/$(basename "$prefix")/.complete" ]; then
        rm -rf "$staging"
        echo "$archive does not hold a complete $(basename "$prefix")" >&2
        return 1
    fi
    rm -rf "$prefix"
    mv "$staging/$(basename "$prefix")" "$prefix"
    rm -rf "$staging"
}

# ensure_windows_qt: prints the prefix of the cross Qt, from the cache, else unpacked from a ready-built
# archive with the same key, else built from the sources; says on standard error which it was.
ensure_windows_qt() {
    local prefix archive
    prefix=$(qt_prefix)
    if [ -f "$prefix/.complete" ]; then
        echo "Qt for Windows: from the cache" >&2
        echo "$prefix"
        return
    fi
    archive=$QT_WIN_ARCHIVES/$(basename "$prefix").tar.xz
    if [ -f "$archive" ]; then
        echo "Qt for Windows: unpacking the ready-built $archive" >&2
        if unpack_windows_qt "$prefix" "$archive"; then
            echo "$prefix"
            return
        fi
    else
        echo "Qt for Windows: no ready-built qt-$QT_WIN_VERSION-mingw64-$(qt_cache_key).tar.xz in $QT_WIN_ARCHIVES" >&2
    fi
    # Each step's failure ends here: the caller's command substitution does not stop at a failed step.
    local src build patch
    src=$(fetch_qt_sources) || return 1
    build=$prefix.build
    # A fresh copy of the sources for each key, so our patches never pile up on one another.
    rm -rf "$build"
    mkdir -p "$build"
    cp -a "$src" "$build/src" || return 1
    for patch in "${QT_WIN_PATCHES[@]}"; do
        patch -d "$build/src" -p1 <"$patch" >&2 || return 1
    done
    echo "Qt for Windows: building Qt $QT_WIN_VERSION once from the sources into $prefix (about half an hour on two cores)" >&2
    cmake -S "$build/src" -B "$build/obj" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QT_WIN_TOOLCHAIN" \
        -DCMAKE_INSTALL_PREFIX="$prefix" "${QT_WIN_FLAGS[@]}" >&2 || return 1
    nice -n 19 cmake --build "$build/obj" --parallel 2 >&2 || return 1
    cmake --install "$build/obj" >&2 || return 1
    touch "$prefix/.complete"
    rm -rf "$build"
    echo "$prefix"
}
