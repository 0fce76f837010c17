#!/usr/bin/env bash
# The caches of the Windows libraries: a build that fails or is interrupted
# leaves nothing that looks complete, a folder is named by what built it, and
# a Qt archive that does not unpack is a failure, not a missing Qt.
#
#   windows_caches.sh SOURCE_DIR
set -uo pipefail
cd "$1"
work=$(mktemp -d /tmp/tolvan-caches.XXXXXX)
trap 'rm -rf "$work"' EXIT
export TOLVAN_WIN_DEPS=$work/cache TMPDIR=$work
. scripts/windows-deps.sh
. tests/support/checks.sh

# Recipes as the real ones are called: the stage first.
half_then_fail() { touch "$1/lib.a"; return 1; }
whole() { mkdir -p "$1/lib" && echo built >"$1/lib/lib.a"; }
killed() { touch "$1/lib.a"; kill -KILL $BASHPID; }

check "a failing recipe fails" eval '! win_build_into "$work/cache/x-1" half_then_fail' 
check "… and leaves no folder" test -z "$(ls -A "$work/cache" 2>/dev/null)"
{ (win_build_into "$work/cache/x-1" killed); } 2>"$work/killed.err"
check "an interrupted recipe leaves no folder of the name" test ! -e "$work/cache/x-1"
check "a complete recipe lands" win_build_into "$work/cache/x-1" whole
check "… whole" grep -q built "$work/cache/x-1/lib/lib.a"
check "… and the interrupted one's leftovers went" \
    test "$(ls "$work/cache")" = x-1

# Another build's folder in the making stays while its builder runs.
mkdir -p "$work/cache/y-1.incomplete.$$"
(win_build_into "$work/cache/y-1" whole)
check "a build beside another leaves the other's folder alone" test -d "$work/cache/y-1.incomplete.$$"
check "… and lands its own" grep -q built "$work/cache/y-1/lib/lib.a"

key_before=$(win_recipe_key whole 1.0)
check "the same recipe, the same name" test "$key_before" = "$(win_recipe_key whole 1.0)"
check "another version, another name" test "$key_before" != "$(win_recipe_key whole 1.1)"
whole() { mkdir -p "$1/lib" && echo built -O3 >"$1/lib/lib.a"; }
check "another recipe, another name" test "$key_before" != "$(win_recipe_key whole 1.0)"

# A Qt archive that is not one: win_qt fails, and nothing lands in the cache.
echo "kein Archiv" >"$work/qt.tar.xz"
export TOLVAN_QT_MINGW_ARCHIVE=$work/qt.tar.xz
check "a corrupt Qt archive counts as a Qt to build with (so its failure is seen)" win_qt_available
check "… and win_qt fails on it" eval '! (win_qt 2>"$work/qt.err")'
check "… leaving no Qt in the cache" test -z "$(ls "$work/cache" | grep qt6)"

# Without an archive: a Qt half copied into its folder, or built by another
# recipe, is not taken for this recipe's.
export TOLVAN_QT_MINGW_ARCHIVE=$work/kein-archiv.tar.xz
half=$work/cache/$WIN_QT_NAME-built-abc.incomplete.999999
mkdir -p "$half/lib/cmake/Qt6" && touch "$half/lib/cmake/Qt6/qt.toolchain.cmake"
check "a Qt whose copy was interrupted is no Qt to build with" eval '! win_qt_available'
other=$work/cache/$WIN_QT_NAME-built-0123456789ab
mkdir -p "$other/lib/cmake/Qt6" && touch "$other/lib/cmake/Qt6/qt.toolchain.cmake"
check "a Qt of another recipe counts (so that its mismatch is said)" win_qt_available
check "… and win_qt refuses it, naming the way out" eval '! (win_qt 2>"$work/qt.err")'
check "… with --build-qt" grep -q -- --build-qt "$work/qt.err"

checks_done
