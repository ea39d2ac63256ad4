#!/usr/bin/env bash
# Compiles the Windows-only files, and every shared source file that needs no Linux-only
# library, with the mingw-w64 cross compiler against Debian's Qt headers, in syntax-only mode:
# a misspelt Windows call or a wrong type fails here, not in the first Windows build.
# --self-test: checks that a deliberately misspelt Windows call makes the check fail.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
compiler=x86_64-w64-mingw32-g++-posix
qt=/usr/include/x86_64-linux-gnu/qt6

# Shared files that cannot be checked here, each with the reason.
declare -A left_out=(
    [src/orrery_core/io/archive_device.cpp]="libarchive has no Windows headers here"
    [src/orrery_core/io/archive_reader.cpp]="libarchive has no Windows headers here"
    [src/orrery_core/io/archive_writer.cpp]="libarchive has no Windows headers here"
    [applications/crash_inbox/intake/mail_reader.cpp]="GMime has no Windows headers here"
    [applications/crash_inbox/intake/imap_mailbox.cpp]="libcurl has no Windows headers here"
    [applications/crash_inbox/collector/collector_server.cpp]="OpenSSL has no Windows headers here"
)

# Boost is header-only and portable; only its folder joins the include path, not /usr/include.
boost=$(mktemp -d)
trap 'rm -rf "$boost"' EXIT
ln -s /usr/include/boost "$boost/boost"

flags=(-std=c++20 -fsyntax-only -Wall -Wextra -DQT_NO_KEYWORDS -DUNICODE -D_UNICODE
    -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets" -I"$qt/QtSvg" -I"$qt/QtSql" -I"$qt/QtCharts" -I"$qt/QtNetwork"
    -isystem "$boost" -I. -Isrc -Iapplications -Itools)

# Product and tool sources; tests, fuzz targets and benchmarks use POSIX on purpose, and the
# Linux (and Unix) files are Linux's.
sources() {
    git ls-files '*.cpp' |
        grep -v -E '(^|/)(tests|fuzz|bench)/|/(platform/)?(unix|linux)/' |
        while read -r file; do [ -z "${left_out[$file]:-}" ] && echo "$file"; done
}

check() {
    printf '%s\n' "$@" | xargs -P "$(nproc)" -I{} sh -c \
        "$compiler $(printf '%q ' "${flags[@]}") {} 2>&1 | grep -E ': (error|fatal error):' && exit 255 || exit 0"
}

if [ "${1:-}" = "--self-test" ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work" "$boost"' EXIT
    sed 's/LoadLibraryW/LoadLibraryQ/' applications/crash_reporter/mail/platform/win/mapi_mail_win.cpp >"$work/mapi_mail_win.cpp"
    if check "$work/mapi_mail_win.cpp" >/dev/null 2>&1; then
        echo "windows check: a misspelt LoadLibraryW was not caught"
        exit 1
    fi
    echo "windows check: a misspelt LoadLibraryW fails the check, as it should"
    exit 0
fi

mapfile -t files < <(sources)
for file in "${!left_out[@]}"; do echo "windows check: left out $file (${left_out[$file]})"; done
if ! check "${files[@]}"; then
    echo "windows check: errors above"
    exit 1
fi
echo "windows check: ${#files[@]} files compile for Windows"
