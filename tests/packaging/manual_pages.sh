#!/usr/bin/env bash
# The manual pages (German and English) against the programs' own --help:
# every option, command, exit status and environment variable that --help
# names is in both pages, and the pages name no option --help lacks.
#   manual_pages.sh PROGRAM TOLVAN-DB SOURCE-FOLDER
set -uo pipefail
program=$1 tolvan_db=$2 source=$3
failures=0
fail() { echo "FEHLER: $*" >&2; failures=$((failures + 1)); }

# The options --help lists: "  -h, --help", "  --export DATEI".
help_options() { grep -oE '^ +(-[a-zA-Z], )?--[a-z][a-z-]*' | grep -oE -- '--?[a-zA-Z][a-z-]*' | sort -u; }
# The options a page sets in bold: *--export*, *-h*.
page_options() { grep -oE '\*--?[a-zA-Z][a-z-]*\*' "$1" | tr -d '*' | sort -u; }
# The commands of tolvan-db's "Befehle:" block: "  init   legt …".
help_commands() { sed -n '/^Befehle:/,/^$/p' | grep -oE '^  [a-z]+' | tr -d ' ' | sort -u; }
# The exit statuses of "Rückgabewerte: 0 geschrieben, 1 …" and the page's "*0*<tab>…".
help_statuses() { sed -n '/^Rückgabewerte:/,/^$/p' | grep -oE '(^|[ ,:])[0-9]+ [a-zäöüA-Z]' | grep -oE '[0-9]+' | sort -u; }
page_statuses() { grep -oE '^\*[0-9]+\*' "$1" | tr -d '*' | sort -u; }

check_page() {
    local page=$1 help=$2 name
    [ -s "$page" ] || { fail "$page fehlt"; return; }
    for name in $(help_options <<<"$help"); do
        grep -qF -- "*$name*" "$page" || fail "$page: die Option $name fehlt"
    done
    for name in $(page_options "$page"); do
        help_options <<<"$help" | grep -qxF -- "$name" || fail "$page: $name kennt --help nicht"
    done
    for name in $(grep -oE 'TOLVAN_[A-Z_]+' <<<"$help" | sort -u); do
        grep -qF "$name" "$page" || fail "$page: $name fehlt"
    done
}

help=$("$program" --help) || fail "$program --help endete mit $?"
for page in "$source/main/tolvan-dravonik-export.1.scd" "$source/main/tolvan-dravonik-export.1.en.scd"; do
    check_page "$page" "$help"
    [ "$(help_statuses <<<"$help")" = "$(page_statuses "$page")" ] ||
        fail "$page: Rückgabewerte $(page_statuses "$page" | xargs), --help: $(help_statuses <<<"$help" | xargs)"
done

help=$("$tolvan_db" --help) || fail "$tolvan_db --help endete mit $?"
[ -n "$(help_commands <<<"$help")" ] || fail "tolvan-db --help nennt keine Befehle"
for page in "$source/server/admin/tolvan-db.8.scd" "$source/server/admin/tolvan-db.8.en.scd"; do
    check_page "$page" "$help"
    for name in $(help_commands <<<"$help"); do
        grep -qE "^\*$name\*" "$page" || fail "$page: der Befehl $name fehlt"
    done
done

[ $failures -eq 0 ] && echo "Handbuchseiten und --help stimmen überein."
exit $((failures > 0))
