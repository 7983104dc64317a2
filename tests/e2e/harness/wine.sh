#!/bin/sh
# Wine as our users' desk has it: Japanese display language and ANSI code
# page 932 (Wine takes both from LANG, even where the host has no such locale
# generated), unless a test asks for another locale with TELLUR_E2E_LANG.
locale=${TELLUR_E2E_LANG:-ja_JP.UTF-8}
exec env LANG="$locale" LC_ALL="$locale" "$TELLUR_WINE_LOADER" "$@"
