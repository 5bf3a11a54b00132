#!/usr/bin/env bash
# Runs the README's two set-up commands on a bare Debian 12, the way a
# newcomer meets them, and the Debian packages on a fresh system:
#
#   tools/fresh-debian-check.sh [STAGE...]      (as root; default: root user packages)
#
#   root      a fresh system; as root: "./build.sh run" on a virtual X display
#             (passes when its window maps; then the program is ended the way
#             a session ends it, with SIGTERM), then "./build.sh test"
#   user      a fresh system and an ordinary user: "./build.sh run" without
#             sudo must stop with the one line to run as root; then, with
#             sudo installed and allowed, the same two commands as root's
#   packages  a fresh system: installs build-deb/basewright-cli_*.deb, runs it
#             and purges it, then the same with build-deb/basewright_*.deb;
#             nothing of them may be left behind (run "make deb" first)
#
# Each fresh system is a copy of one "debootstrap --variant=minbase bookworm"
# (made once, kept in the work folder) with proc, devpts and a /dev/shm of its
# own mounted, the host's /etc/resolv.conf, and, shared with the host, /tmp
# (so that a virtual X display started inside, whose socket also lives in the
# host's abstract socket namespace, picks a display number no one uses) and a
# download cache for apt. The tree is copied in as tools/copy-tree.sh copies
# it. Every command's time and exit status is printed, and a summary at the
# end; the logs stay in the work folder. It takes an hour or more and is not
# part of CI.
#
# Environment: FRESH_WORK (work folder, default /var/tmp/basewright-fresh),
# MIRROR (default http://deb.debian.org/debian), KEEP=1 keeps each system.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
work=${FRESH_WORK:-/var/tmp/basewright-fresh}
mirror=${MIRROR:-http://deb.debian.org/debian}
stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(root user packages)
user=newcomer
window_wait=3600  # seconds for "./build.sh run" to build and show its window

say() { printf 'fresh-debian-check: %s\n' "$*"; }
die() {
    printf 'fresh-debian-check: FAILED: %s\n' "$*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || die "run as root (debootstrap, chroot and mount need it)"
for stage in "${stages[@]}"; do
    case "$stage" in
        root | user | packages) ;;
        *) die "unknown stage $stage (root, user, packages)" ;;
    esac
done
"$root/tools/install-deps.sh" fresh

mkdir -p "$work/logs" "$work/apt-archives/partial"
summary=()
failures=0
# record STAGE WHAT SECONDS STATUS NOTE: prints one result and keeps it for the summary.
record() {
    local line
    line=$(printf '%-9s %-34s %6s s  status %-3s %s' "$1" "$2" "$3" "$4" "$5")
    summary+=("$line")
    say "$line"
}

# ------------------------------------------------------------ the bare system
base=$work/base
if [ ! -f "$work/base.complete" ]; then
    rm -rf "$base"
    say "debootstrap --variant=minbase bookworm"
    started=$SECONDS
    status=0
    debootstrap --variant=minbase bookworm "$base" "$mirror" >"$work/logs/debootstrap.log" 2>&1 || status=$?
    record base "debootstrap --variant=minbase" $((SECONDS - started)) "$status" ""
    [ "$status" -eq 0 ] || die "debootstrap (see $work/logs/debootstrap.log)"
    touch "$work/base.complete"
fi

systems=()
# Ends what still runs inside a system (a program the commands left behind)
# and unmounts what new_system mounted.
release_system() {
    local system=$1 process
    for process in /proc/[0-9]*; do
        if [ "$(readlink "$process/root" 2>/dev/null)" = "$system" ]; then
            kill -KILL "${process#/proc/}" 2>/dev/null || true
        fi
    done
    sleep 1
    local mount_point
    for mount_point in dev/shm dev/pts proc var/cache/apt/archives tmp; do
        if mountpoint -q "$system/$mount_point"; then
            umount "$system/$mount_point" || umount -l "$system/$mount_point"
        fi
    done
}
# remove_system SYSTEM: deletes its folder, never while anything is mounted
# below it (the host's /tmp is; rm would not stop at a bind mount).
remove_system() {
    local system=$1
    [ -e "$system" ] || return 0
    if awk -v s="$system/" 'index($2 "/", s) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
        die "$system still has mounts; not removing it"
    fi
    rm -rf --one-file-system "$system"
}
cleanup() {
    local system
    for system in "${systems[@]}"; do
        release_system "$system"
        [ "${KEEP:-0}" = 1 ] || remove_system "$system"
    done
}
trap cleanup EXIT

# new_system NAME: a fresh copy of the bare system, mounted and ready; its
# folder in $system.
new_system() {
    system=$work/$1
    release_system "$system"
    remove_system "$system"
    cp -a "$base" "$system"
    systems+=("$system")
    mkdir -p "$system/dev/pts" "$system/dev/shm"
    mount -t proc proc "$system/proc"
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$system/dev/pts"
    mount -t tmpfs -o mode=1777 tmpfs "$system/dev/shm"
    mount --bind /tmp "$system/tmp"
    mount --bind "$work/apt-archives" "$system/var/cache/apt/archives"
    cp /etc/resolv.conf "$system/etc/resolv.conf"
}

# as WHO COMMAND: runs a bash command inside $system as WHO (root or the
# user), in that user's copy of the tree, with a login's environment plus
# the virtual display when there is one.
as() {
    local who=$1 command=$2 home=/root path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
    if [ "$who" != root ]; then
        home=/home/$who
        path=/usr/local/bin:/usr/bin:/bin
    fi
    local display=()
    if [ -n "${DISPLAY:-}" ]; then
        # The host's cookie, readable inside by whoever runs there.
        install -m 0644 "$XAUTHORITY" "$system/var/tmp/fresh-xauthority"
        display=(DISPLAY="$DISPLAY" XAUTHORITY=/var/tmp/fresh-xauthority)
    fi
    chroot --userspec="$who:$who" "$system" /usr/bin/env -i HOME="$home" USER="$who" LOGNAME="$who" \
        PATH="$path" LANG=C.UTF-8 TERM=dumb "${display[@]}" /bin/bash -c "cd && $command"
}

# copy_tree WHO: the tree in WHO's home folder, owned by WHO.
copy_tree() {
    local who=$1 home=/root
    [ "$who" = root ] || home=/home/$who
    "$root/tools/copy-tree.sh" "$system$home/basewright"
    chroot "$system" chown -R "$who:$who" "$home/basewright"
}

# timed STAGE WHAT LOG COMMAND...: runs the command with its output in the
# log, records its time and status; NOTE may be set by the caller beforehand.
note=""
timed() {
    local stage=$1 what=$2 log=$3 started=$SECONDS status=0
    shift 3
    "$@" >"$log" 2>&1 || status=$?
    record "$stage" "$what" $((SECONDS - started)) "$status" "$note"
    note=""
    return "$status"
}

# watch_window FLAG: waits for a visible window titled "Basewright" on the
# display, writes what it saw into FLAG, and ends the window's program with
# SIGTERM, which closes the window as a session's end does.
watch_window() {
    local flag=$1 waited=0 window="" pid=""
    while [ $waited -lt $window_wait ]; do
        window=$(xdotool search --onlyvisible --name '^Basewright$' 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && break
        sleep 1
        waited=$((waited + 1))
    done
    if [ -z "$window" ]; then
        echo "no window" >"$flag"
        return
    fi
    sleep 2  # the window is up; let the event loop settle
    pid=$(xdotool getwindowpid "$window" 2>/dev/null || true)
    echo "window mapped" >"$flag"
    if [ -n "$pid" ]; then
        kill -TERM "$pid"
    else  # a program that does not say its process: cut it off the display
        xdotool windowkill "$window"
    fi
}

# with_window STAGE WHAT LOG WHO COMMAND: runs the command inside $system on
# a new virtual display of the host while watch_window looks for its window;
# the command's status and the window's are both recorded.
with_window() {
    local stage=$1 what=$2 log=$3 who=$4 command=$5 flag status=0
    flag=$(mktemp)
    # xvfb-run is a POSIX shell script, which passes no exported bash
    # functions on: the functions go in the command's text.
    export system window_wait
    timed "$stage" "$what" "$log" timeout --kill-after=60 $((window_wait + 600)) \
        xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$(declare -f as watch_window)"'
        watch_window "$1" &
        watcher=$!
        status=0
        as "$2" "$3" || status=$?
        kill "$watcher" 2>/dev/null || true
        wait "$watcher" 2>/dev/null || true
        exit "$status"' _ "$flag" "$who" "$command" || status=$?
    local seen
    seen=$(cat "$flag")
    rm -f "$flag"
    [ -n "$seen" ] || seen="no window"
    # The line above has the command's status; this one says whether the
    # window mapped.
    summary[-1]="${summary[-1]} $seen"
    say "  $seen"
    if [ "$seen" != "window mapped" ]; then status=1; fi
    return "$status"
}

# ------------------------------------------------------------ the stages
stage_setup_commands() { # STAGE WHO: the README's run command, then its test command
    local stage=$1 who=$2
    with_window "$stage" "./build.sh run" "$work/logs/$stage-run.log" "$who" "cd basewright && ./build.sh run" ||
        failures=$((failures + 1))
    timed "$stage" "./build.sh test" "$work/logs/$stage-test.log" as "$who" "cd basewright && ./build.sh test" ||
        failures=$((failures + 1))
}

stage_root() {
    new_system fresh-root
    copy_tree root
    stage_setup_commands root root
}

stage_user() {
    new_system fresh-user
    chroot "$system" useradd --create-home --shell /bin/bash "$user"
    copy_tree "$user"
    # Without root and without sudo: one line naming the packages, a failure.
    local status=0 output lines
    output=$(as "$user" "cd basewright && ./build.sh run" 2>&1) || status=$?
    lines=$(printf '%s\n' "$output" | grep -c . || true)
    if [ "$status" -ne 0 ] && [ "$lines" -eq 1 ] && [[ $output == *"apt-get install"*" make "* ]]; then
        record user "./build.sh run (no root, no sudo)" 0 "$status" "(as expected: a failure and this one line:)"
    else
        record user "./build.sh run (no root, no sudo)" 0 "$status" "(UNEXPECTED: not one line and a failure:)"
        failures=$((failures + 1))
    fi
    say "  $output"
    # The administrator installs sudo and allows the user.
    timed user "(root: apt-get install sudo)" "$work/logs/user-sudo.log" \
        as root "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq sudo" ||
        die "installing sudo (see $work/logs/user-sudo.log)"
    echo "$user ALL=(ALL) NOPASSWD: ALL" >"$system/etc/sudoers.d/$user"
    chmod 0440 "$system/etc/sudoers.d/$user"
    stage_setup_commands user "$user"
}

# purge STAGE PACKAGE: purges the package and what apt installed for it
# alone. It passes when the package is gone without a trace (no dpkg state
# left, none of its files, no path that names basewright). The note counts
# what apt keeps of the rest: packages that a package of the bare system
# recommends, and files that other packages leave (both listed in the log).
purge() {
    local stage=$1 package=$2 log=$work/logs/$1-$2-purge.log status=0 started=$SECONDS
    as root "$apt purge $package && $apt autoremove --purge" >"$log" 2>&1 || status=$?
    # shellcheck disable=SC2016
    as root 'set -e
        test -z "$(dpkg -l | awk "\$2 ~ /basewright/")" || { echo "dpkg still knows:"; dpkg -l | grep basewright; exit 1; }
        for file in $(dpkg-deb -c debs/'"$package"'_*.deb | awk "{print substr(\$6, 2)}"); do
            [ -d "$file" ] || [ ! -e "$file" ] || { echo "left behind: $file"; exit 1; }
        done
        '"$snapshot"' >/root/after.txt
        ! grep -i basewright /root/after.txt' >>"$log" 2>&1 || status=$?
    local kept changed
    kept=$(as root "dpkg-query -W -f='\${Package}\n' | sort | comm -13 /root/packages-before.txt -" |
        tee -a "$log" | grep -c . || true)
    changed=$(as root "diff /root/before.txt /root/after.txt" 2>&1 | tee -a "$log" | grep -c '^[<>]' || true)
    record "$stage" "purge $package" $((SECONDS - started)) "$status" \
        "(kept by the system's own recommendations: $kept packages, $changed other paths)"
    [ "$status" -eq 0 ] || failures=$((failures + 1))
}

stage_packages() {
    local debs=("$root"/build-deb/basewright_*.deb "$root"/build-deb/basewright-cli_*.deb)
    for deb in "${debs[@]}"; do [ -f "$deb" ] || die "no $(basename "$deb") in build-deb/ (run make deb first)"; done
    new_system fresh-packages
    mkdir -p "$system/root/debs"
    cp "${debs[@]}" "$system/root/debs/"
    # Every file of the system outside the package manager's own records,
    # the logs, caches and home folders (what a program writes for its
    # user is the user's), to compare before and after.
    snapshot='find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /root -o -path /home -o -path /var/lib/dpkg -o -path /var/lib/apt -o -path /var/cache -o -path /var/log -o -path /run \) -prune -o -print | sort'
    apt='DEBIAN_FRONTEND=noninteractive apt-get -y -q'
    timed packages "apt-get update" "$work/logs/packages-update.log" as root "apt-get update -q" ||
        die "apt-get update (see $work/logs/packages-update.log)"
    as root "$snapshot >/root/before.txt; dpkg-query -W -f='\${Package}\n' | sort >/root/packages-before.txt"

    # The batch converter.
    timed packages "install basewright-cli" "$work/logs/packages-cli-install.log" \
        as root "$apt install ./debs/basewright-cli_*.deb" || failures=$((failures + 1))
    local brought
    brought=$(as root "dpkg-query -W -f='\${Package}\n' | sort | comm -13 /root/packages-before.txt -" | tr '\n' ' ')
    say "  basewright-cli brought: $brought"
    if [[ $brought == *libqt* || $brought == *uno* || $brought == *libreoffice* ]]; then
        say "  basewright-cli brought graphical or office libraries"
        failures=$((failures + 1))
    fi
    timed packages "run basewright-cli" "$work/logs/packages-cli-run.log" as root \
        "basewright-cli --version && test \"\$(printf '255\n16\n' | basewright-cli | tr '\n' ' ')\" = 'FF 10 ' &&
         test -f /usr/share/man/man1/basewright-cli.1.gz &&
         test -f /usr/share/bash-completion/completions/basewright-cli" || failures=$((failures + 1))
    purge packages basewright-cli

    # The window, with what it recommends, as apt installs it by default.
    timed packages "install basewright" "$work/logs/packages-window-install.log" \
        as root "$apt install ./debs/basewright_*.deb && ! dpkg -s basewright-cli >/dev/null 2>&1" ||
        failures=$((failures + 1))
    note="(no display)"
    timed packages "basewright --version" "$work/logs/packages-window-version.log" as root \
        "basewright --version" || failures=$((failures + 1))
    with_window packages "run basewright" "$work/logs/packages-window-run.log" root "basewright" ||
        failures=$((failures + 1))
    purge packages basewright
}

for stage in "${stages[@]}"; do
    say "stage $stage"
    "stage_$stage"
    release_system "$system"
done

say "summary (logs in $work/logs):"
printf '  %s\n' "${summary[@]}"
if [ "$failures" -gt 0 ]; then
    say "$failures check(s) failed"
    exit 1
fi
say "all passed"
