# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the input-method test scripts whose desktop must not run as root (sway refuses it; a
# user's GNOME session never does): as root, as_test_user sets as_user to the command prefix that
# runs as the system user keyvane-test, made on first use, after checking that the user can read
# every path given (the test's script, build folders); otherwise as_user is empty.

as_test_user() {
  as_user=()
  (($(id -u) == 0)) || return 0
  user=keyvane-test
  if ! id -u "$user" >/dev/null 2>&1; then
    # Another run may make the user at the same moment: only its absence afterwards is an error.
    useradd --system --user-group --home-dir "/var/tmp/$user" --create-home \
      --shell /usr/sbin/nologin "$user" 2>/dev/null || true
    id -u "$user" >/dev/null
  fi
  as_user=(setpriv --reuid="$user" --regid="$user" --init-groups --)
  local path folder
  for path in "$@" "$PWD"; do
    [[ -n "$path" && -e "$path" ]] || continue
    if ! readable "$path"; then
      # A checkout under root's own home (as a CI machine may have it): the folders above it are
      # made searchable, not listable, by others, which is all the session needs.
      folder=$(dirname "$(realpath "$path")")
      while [[ "$folder" != / ]]; do
        "${as_user[@]}" test -x "$folder" || { chmod o+x "$folder" && echo "test-user.sh: made $folder searchable by others"; }
        folder=$(dirname "$folder")
      done
    fi
    if ! readable "$path"; then
      echo "test-user.sh: the user $user, who runs the session, cannot read $path: it and every" \
        "folder above it must be readable and searchable by others (chmod o+rX; a build tree made" \
        "with umask 022 is)" >&2
      exit 1
    fi
  done
}

readable() {
  if [[ -d "$1" ]]; then
    "${as_user[@]}" test -r "$1" -a -x "$1"
  else
    "${as_user[@]}" test -r "$1"
  fi
}
