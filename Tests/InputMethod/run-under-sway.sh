#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a private headless Wayland session (sway with Xwayland) where fcitx5 is the
# input method with the keyboard-us, keyboard-ru and keyboard-ua engines, on a private session bus,
# then stops them. The command's exit status is this script's.
#
#   run-under-sway.sh COMMAND [ARGUMENT...]
#
# The command gets WAYLAND_DISPLAY, DISPLAY (Xwayland), SWAYSOCK, DBUS_SESSION_BUS_ADDRESS,
# XDG_RUNTIME_DIR and a HOME of the session's own, and GTK_IM_MODULE=fcitx, QT_IM_MODULE=fcitx and
# XMODIFIERS=@im=fcitx (a test that wants GTK's text-input-v3 path sets GTK_IM_MODULE=wayland for its
# client). fcitx5 answers on the session bus as org.fcitx.Fcitx5 before the command starts.
#
# KEYVANE_FCITX5_ADDON_DIRS: folders (separated by ':') holding addon libraries (.so), searched
# before fcitx5's own. KEYVANE_FCITX5_ADDON_CONF_DIR: the folder holding addon descriptions (.conf,
# what fcitx5 reads from <data dir>/fcitx5/addon/); a description there replaces a system one of the
# same name.
#
# sway refuses to run as root. Started as root (as the tests and CI are), the session runs as the
# system user keyvane-test, made on first use, so everything the command needs must be readable by
# that user: the build tree and every folder above it readable and searchable by others (o+rX, what
# a umask of 022 gives), and this folder too. The script checks the working directory, the command,
# the arguments that name files or folders and the addon folders, and says which one that user
# cannot read.
set -euo pipefail

self="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")"
deadline_seconds=20

# Waits until a command succeeds, for at most deadline_seconds; fails at once when the process
# whose id is given has died.
wait_for() {
  local what=$1 pid=$2
  shift 2
  local end=$((SECONDS + deadline_seconds))
  until "$@" >/dev/null 2>&1; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "run-under-sway.sh: $what: the process ended" >&2
      return 1
    fi
    if ((SECONDS >= end)); then
      echo "run-under-sway.sh: $what: not within ${deadline_seconds} s" >&2
      return 1
    fi
    sleep 0.02
  done
}

# The second stage: runs as the session's user inside its own session bus.
if [[ -n "${KEYVANE_SWAY_SESSION:-}" ]]; then
  session=$KEYVANE_SWAY_SESSION
  unset KEYVANE_SWAY_SESSION
  sway_pid="" fcitx_pid="" xwayland_pid=""
  # Whether a process runs: Xwayland, not sway's child, stays a zombie until someone else reaps it.
  running() {
    local stat
    { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 1
    stat=${stat##*) }
    [[ "${stat:0:1}" != Z ]]
  }
  # Stops fcitx5, sway and Xwayland (which would take seconds to notice that sway has gone), and
  # waits for them.
  stop() {
    local pid
    for pid in $fcitx_pid $sway_pid $xwayland_pid; do
      kill "$pid" 2>/dev/null || true
    done
    for pid in $fcitx_pid $sway_pid $xwayland_pid; do
      for _ in $(seq 1 100); do
        running "$pid" || break
        sleep 0.02
      done
      kill -KILL "$pid" 2>/dev/null || true
    done
  }
  trap stop EXIT
  trap 'exit 143' TERM
  trap 'exit 130' INT

  # sway runs `exec` lines once it listens, with WAYLAND_DISPLAY, DISPLAY and SWAYSOCK set: a small
  # script hands them over through a file, written whole by a rename.
  cat >"$session/report-displays" <<EOF
#!/bin/sh
printf '%s\n%s\n%s\n' "\$WAYLAND_DISPLAY" "\$DISPLAY" "\$SWAYSOCK" >"$session/displays.new"
mv "$session/displays.new" "$session/displays"
EOF
  chmod +x "$session/report-displays"
  cat >"$session/sway.conf" <<EOF
xwayland force
exec $session/report-displays
EOF
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$session/sway.conf" >"$session/sway.log" 2>&1 &
  sway_pid=$!
  if ! wait_for "sway did not start" "$sway_pid" test -s "$session/displays"; then
    tail -n 20 "$session/sway.log" >&2
    exit 1
  fi
  {
    read -r WAYLAND_DISPLAY
    read -r DISPLAY
    read -r SWAYSOCK
  } <"$session/displays"
  export WAYLAND_DISPLAY DISPLAY SWAYSOCK I3SOCK=$SWAYSOCK
  if [[ -z "$DISPLAY" ]]; then
    echo "run-under-sway.sh: sway started no Xwayland (is xwayland installed?)" >&2
    exit 1
  fi
  wait_for "sway does not answer" "$sway_pid" swaymsg -t get_version
  # Xwayland takes the X connection once it is up; xdpyinfo waits for that.
  wait_for "Xwayland does not answer on $DISPLAY" "$sway_pid" xdpyinfo
  # wlroots starts Xwayland detached from sway; it is the one serving this session's display.
  for process in /proc/[0-9]*; do
    { mapfile -d '' -t argv <"$process/cmdline"; } 2>/dev/null || continue
    if [[ "${argv[0]:-}" == *Xwayland && "${argv[1]:-}" == "$DISPLAY" && -O "$process" ]]; then
      xwayland_pid=${process#/proc/}
    fi
  done

  # fcitx5's settings live in the session's own XDG_CONFIG_HOME: one group with the three keyboard
  # engines, keyboard-us first, and no pop-up naming the input method at each switch.
  mkdir -p "$XDG_CONFIG_HOME/fcitx5"
  cat >"$XDG_CONFIG_HOME/fcitx5/profile" <<EOF
[Groups/0]
Name=Default
Default Layout=us
DefaultIM=keyboard-us

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=keyboard-ru
Layout=

[Groups/0/Items/2]
Name=keyboard-ua
Layout=

[GroupOrder]
0=Default
EOF
  cat >"$XDG_CONFIG_HOME/fcitx5/config" <<EOF
[Behavior]
ShowInputMethodInformation=False
ShowFirstInputMethodInformation=False
EOF
  # FCITX_ADDON_DIRS replaces fcitx5's own addon folder instead of adding to it, so that folder is
  # named after the project's.
  if [[ -n "${KEYVANE_FCITX5_ADDON_DIRS:-}" ]]; then
    system_addons=""
    for dir in "/usr/lib/$(uname -m)-linux-gnu/fcitx5" /usr/lib64/fcitx5 /usr/lib/fcitx5; do
      if [[ -d "$dir" ]]; then
        system_addons=$dir
        break
      fi
    done
    export FCITX_ADDON_DIRS="$KEYVANE_FCITX5_ADDON_DIRS${system_addons:+:$system_addons}"
  fi
  # fcitx5 reads addon descriptions from fcitx5/addon/ in every XDG data folder, the first folder's
  # before the others'.
  if [[ -n "${KEYVANE_FCITX5_ADDON_CONF_DIR:-}" ]]; then
    mkdir -p "$session/data/fcitx5"
    ln -s "$KEYVANE_FCITX5_ADDON_CONF_DIR" "$session/data/fcitx5/addon"
    export XDG_DATA_DIRS="$session/data:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
  fi
  # Keyvane's preferences as a new user's, with the developer log on, so that a test can see what
  # the addon did (and wait until it has taken up changed preferences).
  export KEYVANE_PREFERENCES='{"active_languages": ["en", "ru", "uk"], "debug_log": true}'
  mkdir -p "$XDG_DATA_HOME/keyvane"
  printf '%s\n' "$KEYVANE_PREFERENCES" >"$XDG_DATA_HOME/keyvane/user_preferences.json"
  touch "$HOME/.keyvane_dev"
  fcitx5 >"$session/fcitx5.log" 2>&1 &
  fcitx_pid=$!
  # Asked before it owns its name, the bus would start a second fcitx5 of its own (D-Bus
  # activation), without the session's displays: the name is awaited first, then an answer.
  fcitx_answers() {
    [[ "$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.fcitx.Fcitx5)" == *"boolean true"* ]] &&
      dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
        org.fcitx.Fcitx.Controller1.CurrentInputMethod
  }
  # X programs find the input method through the root window's XIM_SERVERS, which fcitx5 sets once
  # its XIM frontend runs, after it answers on the bus; one started before that (at login, fcitx5
  # starts first) would type without it for its whole life.
  xim_serves() {
    [[ "$(xprop -root XIM_SERVERS)" == *"@server=fcitx"* ]]
  }
  if ! wait_for "fcitx5 does not answer on the session bus" "$fcitx_pid" fcitx_answers ||
    ! wait_for "fcitx5 does not serve XIM on $DISPLAY" "$fcitx_pid" xim_serves; then
    tail -n 20 "$session/fcitx5.log" >&2
    exit 1
  fi
  unset FCITX_ADDON_DIRS
  export GTK_IM_MODULE=fcitx QT_IM_MODULE=fcitx XMODIFIERS=@im=fcitx
  # Where a test finds the compositor's and the input method's logs.
  export KEYVANE_SWAY_LOG="$session/sway.log" KEYVANE_FCITX5_LOG="$session/fcitx5.log"
  export KEYVANE_ADDON_LOG="$XDG_RUNTIME_DIR/keyvane/keyvane.log"
  status=0
  "$@" || status=$?
  exit "$status"
fi

# The first stage: makes the session's folder and user, then runs the second stage as that user.
if (($# == 0)); then
  echo "usage: run-under-sway.sh COMMAND [ARGUMENT...]" >&2
  exit 2
fi
for program in sway Xwayland xdpyinfo xprop swaymsg fcitx5 dbus-run-session dbus-send; do
  if ! command -v "$program" >/dev/null; then
    echo "run-under-sway.sh: $program is missing (scripts/install-deps installs it)" >&2
    exit 1
  fi
done

# shellcheck source=test-user.sh
source "$(dirname "$self")/test-user.sh"
IFS=: read -ra addon_dirs <<<"${KEYVANE_FCITX5_ADDON_DIRS:-}"
as_test_user "$self" "$@" "${addon_dirs[@]}" "${KEYVANE_FCITX5_ADDON_CONF_DIR:-}"

session=$(mktemp -d /tmp/keyvane-sway.XXXXXX)
trap 'rm -rf "$session"' EXIT
mkdir -m 0700 "$session/runtime" "$session/home"
if ((${#as_user[@]})); then
  chown -R "$user:$user" "$session"
fi

status=0
"${as_user[@]}" env -u DISPLAY -u WAYLAND_DISPLAY -u SWAYSOCK -u I3SOCK -u XAUTHORITY \
  -u DBUS_SESSION_BUS_ADDRESS -u GTK_IM_MODULE -u QT_IM_MODULE -u XMODIFIERS \
  HOME="$session/home" XDG_RUNTIME_DIR="$session/runtime" XDG_CONFIG_HOME="$session/home/.config" \
  XDG_DATA_HOME="$session/home/.local/share" XDG_CACHE_HOME="$session/home/.cache" \
  USER="${user:-$(id -un)}" LOGNAME="${user:-$(id -un)}" LANG="${LANG:-C.UTF-8}" \
  KEYVANE_SWAY_SESSION="$session" \
  dbus-run-session -- bash "$self" "$@" || status=$?
exit "$status"
