# A fresh Debian 12 root (debootstrap minbase) for trying the project as a new
# machine would, and its removal. Sourced by scripts/fresh-root.sh and
# scripts/package-fresh-root.sh, run as root; the caller sets a trap that
# calls remove_root.
#
#   make_root            debootstrap into a new folder, this machine's archive,
#                        /proc, /sys, /dev and a fresh /dev/shm mounted as slaves
#   in_root CMD…         CMD in the root as root, with a clean environment
#   add_user NAME [PW]   a normal user, with sudo and that password when one is given
#   as_user NAME CMD     CMD (a shell line) as that user, in a login shell

ROOT=
ROOT_MOUNTS=()

make_root() {
    local mirror point
    mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
    mirror=${mirror:-http://deb.debian.org/debian}
    ROOT=$(mktemp -d /var/tmp/tolvan-fresh-root.XXXXXX)
    chmod 755 "$ROOT" # the new root's "/", which users must pass
    echo "== debootstrap --variant=minbase bookworm ($mirror)"
    debootstrap --variant=minbase bookworm "$ROOT" "$mirror" >"$ROOT.log" 2>&1 ||
        { tail "$ROOT.log"; rm -f "$ROOT.log"; return 1; }
    rm -f "$ROOT.log"
    # This machine's name, as sudo looks it up.
    echo "127.0.1.1 $(hostname)" >>"$ROOT/etc/hosts"
    # The same archive as this machine, named once.
    if cp /etc/apt/sources.list.d/debian.sources "$ROOT/etc/apt/sources.list.d/" 2>/dev/null; then
        rm -f "$ROOT/etc/apt/sources.list"
    fi
    # Slaves, so that nothing mounted or unmounted in the root reaches this machine's own.
    for point in proc sys dev; do
        mount --rbind "/$point" "$ROOT/$point" && mount --make-rslave "$ROOT/$point"
        ROOT_MOUNTS+=("$ROOT/$point")
    done
    mount -t tmpfs -o mode=1777 tmpfs "$ROOT/dev/shm"
    ROOT_MOUNTS+=("$ROOT/dev/shm")
}

in_root() { chroot "$ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C.UTF-8 "$@"; }

add_user() {
    in_root useradd -m -s /bin/bash "$1"
    [ -n "${2:-}" ] || return 0
    in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends sudo >/dev/null
    echo "$1:$2" | in_root chpasswd
    in_root usermod -aG sudo "$1"
}

as_user() { in_root su - "$1" -c "$2"; }

# Ends what runs in the root (Xvfb, the program, a build), unmounts, removes it.
remove_root() {
    [ -n "$ROOT" ] || return 0
    local pid i
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$ROOT" ] && kill -9 "$pid" 2>/dev/null
    done
    sleep 0.5
    for ((i = ${#ROOT_MOUNTS[@]} - 1; i >= 0; i--)); do umount -l "${ROOT_MOUNTS[i]}" 2>/dev/null || true; done
    # Nothing of this machine may be removed through a mount left behind.
    if grep -q " $ROOT/" /proc/mounts; then
        echo "Noch eingehängt, $ROOT bleibt stehen:" >&2
        grep " $ROOT/" /proc/mounts >&2
        return 1
    fi
    rm -rf --one-file-system "$ROOT"
    ROOT=
}
