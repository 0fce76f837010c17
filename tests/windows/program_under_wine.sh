#!/usr/bin/env bash
# The Windows programs under wine against the Linux programs of the same tree:
# the export without a window ends with the same exit statuses and messages and
# writes the same bytes, the console companion answers in cmd and in a console
# window, and tolvan-db takes any path.
#
#   program_under_wine.sh LINUX_PROGRAM LINUX_TOLVAN_DB WINDOWS_BUILD
#
# Needs a started wine prefix (scripts/wine.sh). Prints "N passed, N failed".
set -uo pipefail
linux_program=$1 linux_db=$2 win=$3

work=$(mktemp -d /tmp/tolvan-wine-checks.XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
same_file() { cmp -s "$1" "$2" || { echo "  $1 and $2 differ" >&2; return 1; }; }
winpath() { winepath -w "$1" 2>/dev/null; }

# One demo database, read by both programs (the Linux tool makes it).
database=$work/demo.db
"$linux_db" demo --database "$database" >/dev/null

# --- the export without a window, same statuses and messages ---------------------
# Each side writes into a folder of its own; in the messages that folder reads
# WORK, Windows' backslashes slashes, and lines end without CR.
mkdir -p "$work/linux" "$work/win"
linux_side() { sed "s|$work/linux|WORK|g"; }
win_side() { tr -d '\r' | sed "s|$(winpath "$work/win" | sed 's/\\/\\\\/g')|WORK|g" | tr '\\' '/'; }
# CASE: name|exit status|database (a file in WORK, "-" the demo database)|options after the export file|login fields
cases=(
    "ok|0|-|--supplier 100 --location Regal 7|1 0 DEMO demo"
    "umlauts|0|-|--supplier 200 --location Lager Süd|1 0 DEMO demo"
    "no articles|0|-|--supplier 400 --location X|1 0 DEMO demo"
    "wrong call|2|-|--supplier|1 0 DEMO demo"
    "wrong password|3|-|--supplier 100 --location X|1 0 DEMO falsch"
    "unknown supplier|4|-|--supplier 999999 --location X|1 0 DEMO demo"
    "no database|5|fehlt.db|--supplier 100 --location X|1 0 DEMO demo"
    "folder missing|6|-|--supplier 100 --location X --export-folder fehlt|1 0 DEMO demo"
)
for entry in "${cases[@]}"; do
    IFS='|' read -r name expected db options login <<<"$entry"
    read -r -a login_fields <<<"$login"
    target=case.csv
    if [[ $options == *"--export-folder "* ]]; then
        target=${options#*--export-folder }/case.csv
        options=${options%% --export-folder *}
    fi
    # The location may hold a blank: --location takes the rest of the options text.
    option_args=()
    if [[ $options == *"--location "* ]]; then
        option_args=(${options%%--location *} --location "${options#*--location }")
    else
        option_args=($options)
    fi
    linux_db=$database win_db=$(winpath "$database")
    if [ "$db" != - ]; then linux_db=$work/linux/$db win_db=$(winpath "$work/win")\\$db; fi
    TOLVAN_DATABASE=$linux_db "$linux_program" --export "$work/linux/$target" \
        "${option_args[@]}" "${login_fields[@]}" >"$work/linux.out" 2>"$work/linux.err"
    linux_status=$?
    TOLVAN_DATABASE=$win_db wine "$win/main/tolvan-dravonik-export.exe" \
        --export "$(winpath "$work/win")\\${target//\//\\}" "${option_args[@]}" "${login_fields[@]}" \
        >"$work/win.out" 2>"$work/win.err"
    win_status=$?
    check "$name: exit status $expected, on Linux $linux_status, under wine $win_status" \
        [ "$linux_status:$win_status" = "$expected:$expected" ]
    check "$name: the same messages" diff <(linux_side <"$work/linux.err") <(win_side <"$work/win.err")
done
# The file of a successful run, byte for byte.
TOLVAN_DATABASE=$database "$linux_program" --export "$work/linux.csv" --supplier 200 \
    --location 'Lager Süd' 1 0 DEMO demo 2>/dev/null
TOLVAN_DATABASE=$(winpath "$database") wine "$win/main/tolvan-dravonik-export.exe" \
    --export "$(winpath "$work")\\win.csv" --supplier 200 --location 'Lager Süd' 1 0 DEMO demo 2>/dev/null
check "export bytes equal" same_file "$work/linux.csv" "$work/win.csv"
check "export not empty" test -s "$work/win.csv"

# --- the console companion in cmd: cmd prefers the .com when the extension is left out
(cd "$win/main" && TOLVAN_DATABASE=$(winpath "$database") wine cmd /c \
    "tolvan-dravonik-export --export $(winpath "$work")\\cmd.csv --supplier 100 --location Regal 1 0 DEMO demo" \
    >"$work/cmd.out" 2>&1)
cmd_status=$?
check "cmd: the console companion exits 0" [ "$cmd_status" = 0 ]
check "cmd: the console companion writes the file" test -s "$work/cmd.csv"
(cd "$win/main" && wine cmd /c "tolvan-dravonik-export --export x.csv --supplier 100 1 0 DEMO demo" \
    >"$work/cmd-wrong.out" 2>&1)
check "cmd: a wrong call exits 2" [ $? = 2 ]
"$linux_program" --export x.csv --supplier 100 1 0 DEMO demo 2>"$work/linux-wrong.err"
check "cmd: the wrong call's message word for word" diff "$work/linux-wrong.err" <(tr -d '\r' <"$work/cmd-wrong.out")
# In a console window set to a German cmd's code page (850) the help reads as
# on Linux: wine gives a program a console window when it runs on a terminal,
# which script(1) opens, 200 columns wide so that no line wraps.
(cd "$win/main" && timeout 120 script -qec \
    "stty cols 200; wine cmd /c 'chcp 850 >nul & tolvan-dravonik-export --help'" \
    "$work/typescript" >"$work/console.raw" 2>&1)
"$linux_program" --help >"$work/linux-help.txt"
check "cmd: --help in a console window with code page 850 reads as on Linux" diff "$work/linux-help.txt" \
    <(sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$work/console.raw" | tr -d '\r')

# --- tolvan-db with a path beyond the ANSI code page --------------------------------
named=$work/Łódź.db
wine "$win/server/tolvan-db.exe" demo --database "$(winpath "$work")\\Łódź.db" >"$work/db.out" 2>&1
check "tolvan-db demo makes Łódź.db" test -s "$named"
check "tolvan-db made no other file" bash -c "[ \$(ls '$work' | grep -c '\.db\$') = 2 ]"
wine "$win/server/tolvan-db.exe" show --database "$(winpath "$work")\\Łódź.db" >"$work/db-show.out" 2>&1
check "tolvan-db show reads Łódź.db" grep -q 'Erika Musterfrau' "$work/db-show.out"
TOLVAN_DATABASE=$(winpath "$named") wine "$win/main/tolvan-dravonik-export.exe" \
    --export "$(winpath "$work")\\łódź.csv" --supplier 200 --location 'Lager Süd' 1 0 DEMO demo 2>/dev/null
check "the program exports from Łódź.db into łódź.csv" same_file "$work/linux.csv" "$work/łódź.csv"

checks_done
