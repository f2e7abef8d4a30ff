#!/bin/bash
# Builds the Debian package from the build tree the suite runs in and checks it
# as apt and a user meet it: its files and control fields, the desktop entry,
# the MIME type, lintian, and the programs and manual pages of an unpacked copy.
# Usage: test_package.sh BUILD_DIR VERSION DPX_DIR
set -u
build=$1 version=$2 data=$3
for tool in dpkg-deb dpkg-shlibdeps cpack; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (dpkg-deb comes with dpkg, dpkg-shlibdeps with dpkg-dev):" \
             "no Debian package can be built here"
        exit 77
    fi
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
    cat "$tmp/cpack.log"
    echo "FAIL: cpack could not build the package"
    exit 1
fi
arch=$(dpkg --print-architecture)
deb=$tmp/out/tessaview_${version}_${arch}.deb
if [ ! -f "$deb" ]; then
    ls "$tmp/out"
    echo "FAIL: cpack made no $(basename "$deb")"
    exit 1
fi

expected='./usr/bin/tessaview
./usr/bin/tessaview-dump
./usr/share/applications/tessaview.desktop
./usr/share/doc/tessaview/README.md.gz
./usr/share/doc/tessaview/changelog.gz
./usr/share/doc/tessaview/copyright
./usr/share/icons/hicolor/scalable/apps/tessaview.svg
./usr/share/man/man1/tessaview-dump.1.gz
./usr/share/man/man1/tessaview.1.gz
./usr/share/mime/packages/tessaview.xml'
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)
[ "$files" = "$expected" ] || fail "files in the package:"$'\n'"$(diff <(echo "$expected") <(echo "$files"))"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tessaview ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture), not $arch"
[ "$(field Section)" = graphics ] || fail "Section: $(field Section)"
description=$(field Description)
[ "$(echo "$description" | grep -c '[a-z]')" -ge 2 ] || fail "Description, synopsis and text: $description"

# dpkg-shlibdeps: every library a program needs brings its package, and the C
# library the least version the programs' symbols ask for.
dpkg-deb -x "$deb" "$tmp/root"
depends=$(field Depends)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for program in tessaview tessaview-dump; do
    for library in $(readelf -d "$tmp/root/usr/bin/$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p'); do
        owner=$(dpkg -S "*/$multiarch/$library" 2>/dev/null | head -n 1)
        owner=${owner%%:*}
        if [ -z "$owner" ]; then
            fail "no installed package holds $library of $program"
        else
            case ", $depends," in
            *", $owner,"* | *", $owner ("*) ;;
            *) fail "Depends lacks $owner for $library of $program: $depends" ;;
            esac
        fi
    done
done

case ", $depends" in
*", libc6 (>= "*) ;;
*) fail "Depends has no least version of libc6: $depends" ;;
esac

desktop=$tmp/root/usr/share/applications/tessaview.desktop
validation=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $validation"
for line in 'Exec=tessaview %F' 'Icon=tessaview' 'Categories=Graphics;Viewer;'; do
    grep -qxF "$line" "$desktop" || fail "the desktop entry has no line $line"
done
grep -q '^MimeType=\(.*;\)\?image/x-dpx;' "$desktop" || fail "the desktop entry does not take image/x-dpx"

# The MIME database as the system builds it with the package's entry added.
mkdir -p "$tmp/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml "$tmp/mime/packages/" 2>/dev/null
cp "$tmp/root/usr/share/mime/packages/tessaview.xml" "$tmp/mime/packages/"
if update-mime-database "$tmp/mime" >"$tmp/mime.log" 2>&1; then
    grep -qxF 'image/x-dpx image/dpx' "$tmp/mime/aliases" || fail "image/x-dpx is not an alias of image/dpx"
    grep -qxF '50:image/dpx:*.dpx' "$tmp/mime/globs2" || fail "*.dpx is not image/dpx"
    for magic in SDPX XPDS; do
        grep -aqF "$magic" "$tmp/mime/magic" || fail "no magic $magic"
    done
else
    fail "update-mime-database: $(cat "$tmp/mime.log")"
fi

if command -v lintian >/dev/null; then
    lintian "$deb" >"$tmp/lintian.txt" 2>&1
    cat "$tmp/lintian.txt"
    if grep -q '^E:' "$tmp/lintian.txt"; then
        fail "lintian reports errors"
    fi
else
    echo "lintian is not installed: not run"
fi

dump=$tmp/root/usr/bin/tessaview-dump
[ "$("$dump" --version)" = "tessaview-dump $version" ] || fail "--version: $("$dump" --version)"
file=$data/imagemagick-rgb10-be.dpx
if "$dump" --json "$file" >"$tmp/dump.json"; then
    # Pixels per line 0x20 and lines 0x10, big-endian, at bytes 772 and 776.
    python3 - "$tmp/dump.json" "$file" <<'EOF' || fail "--json of $file: $(head -c 300 "$tmp/dump.json")"
import json, sys
files = json.load(open(sys.argv[1]))
assert len(files) == 1 and files[0]["path"] == sys.argv[2] and files[0]["loaded"] is True
assert files[0]["byte_order"] == "big"
summary = [s for s in files[0]["sections"] if s["title"] == "Summary"][0]
assert {"label": "Image size", "value": "32 x 16", "raw": None, "undefined": False} in summary["rows"]
EOF
else
    fail "--json of $file exits with $?"
fi

for page in tessaview tessaview-dump; do
    MANWIDTH=80 man --warnings -l "$tmp/root/usr/share/man/man1/$page.1.gz" >"$tmp/$page.txt" 2>"$tmp/$page.err"
    [ -s "$tmp/$page.err" ] && fail "man $page: $(cat "$tmp/$page.err")"
    grep -q "^ *$page - " "$tmp/$page.txt" || fail "man $page has no NAME line: $(head -c 300 "$tmp/$page.txt")"
done

if [ "$failures" -ne 0 ]; then
    echo "checks failed: $failures"
    exit 1
fi
echo "$(basename "$deb"): every check passed"
