#!/usr/bin/env bash
# Holds the guides to the code:
# - every repository command the README and docs/DEVELOPING.md show in code
#   spans exists, and a script's arguments are one of the forms its --help
#   prints; a program under build/native exists after the build; the CTest
#   names a guide runs with -R match a test;
# - every dialog text the help marks as such (<span class="ui">…</span>) is a
#   text of the resources or of the code that fills the controls, mnemonics
#   and line breaks aside.
# usage: tests/check_guides.sh <repository> <native build dir>
set -euo pipefail
. "$(dirname "$0")/../tools/usage.sh"
root=$(realpath "$1") native=$(realpath "$2")
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# Code spans of both guides, one per line.
spans=$(perl -ne 'while (/`([^`]+)`/g) { print "$1\n" }' "$root/README.md" "$root/docs/DEVELOPING.md")

commands=0
while IFS= read -r span; do
    case $span in
        "cd build/native && ctest -R "*)
            pattern=$(sed -E "s/^cd build\/native && ctest -R '([^']*)'.*/\1/" <<<"$span")
            (cd "$native" && ctest -N -R "$pattern" | grep -q 'Total Tests: [1-9]') ||
                fail "no CTest test matches '$pattern' ($span)"
            ;;
        tools/*.sh* | bench/*.sh* | tests/*.sh*)
            script=${span%% *}
            if [ ! -x "$root/$script" ]; then
                fail "$script is not an executable script ($span)"
                continue
            fi
            # Only a script that sources the usage helper may be run: any other
            # would do its job.
            if ! grep -qE '^\. "\$\(dirname "\$0"\)/(\.\./tools/)?usage\.sh"$' "$root/$script"; then
                fail "$script does not take --help (it does not source tools/usage.sh)"
                continue
            fi
            forms=$("$root/$script" --help) || { fail "$script --help failed"; continue; }
            # The bare name stands for a call with every optional argument left out.
            if ! grep -qxF -- "$span" <<<"$forms" &&
                ! { [ "$span" = "$script" ] && grep -qE "^$script( \[.*\])?$" <<<"$forms"; }; then
                fail "'$span' is not a form $script takes; it takes: $(tr '\n' ';' <<<"$forms")"
            fi
            ;;
        build/native/*)
            # A program of the native tree; folders, files it writes and globs are not commands.
            [[ $span =~ ^build/native/[a-z_]+$ ]] || continue
            [ -x "$native/${span#build/native/}" ] || fail "$span is not built"
            ;;
        *) continue ;;
    esac
    commands=$((commands + 1))
done <<<"$spans"

# The texts the dialog and the tray show, normalised as the help writes them.
normalise='s/\\n//g; s/\\t.*$//; s/ ?\(&.\)//g; s/&//g; s/\s+/ /g; s/^ | $//g'
known=$(perl -ne 'while (/u?"((?:[^"\\]|\\.)*)"/g) { print "$1\n" }' \
    "$root"/settings/dialog/win32/*.rc "$root"/resident/shell/win32/*.rc \
    "$root"/settings/dialog/*.{h,cpp} "$root"/settings/store/*.cpp "$root"/resident/shell/*.{h,cpp} |
    perl -lpe "$normalise" | sort -u)

labels=0
while IFS=$'\t' read -r file label; do
    [ -n "$label" ] || continue
    labels=$((labels + 1))
    grep -qxF -- "$label" <<<"$known" || fail "$file quotes \"$label\", which no resource or control text is"
done < <(perl -ne '
        while (/<span class="ui">(.*?)<\/span>/g) {
            my $text = $1;
            $text =~ s/<[^>]+>//g; $text =~ s/&nbsp;/ /g; $text =~ s/&amp;/&/g;
            $text =~ s/&lt;/</g; $text =~ s/&gt;/>/g; $text =~ s/\s+/ /g;
            print "$ARGV\t$text\n";
        }' "$root"/settings/dialog/help/HTML/*.html | sed "s|$root/||")

echo "guides: $commands commands checked, $labels help labels checked"
[ "$commands" -gt 0 ] && [ "$labels" -gt 0 ] || fail "nothing was checked: the guides or the help lost their marks"
[ "$failures" -eq 0 ]
