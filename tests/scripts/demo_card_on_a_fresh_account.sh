#!/usr/bin/env bash
# The README's run command tried as a new user tries it: a fresh account with
# no Documents folder and no configured user folders (CI runs it as root).
# The step of scripts/run.sh that places the demo card must put it where the
# application's "Open From" -> "Backup Folder" lists it, and the chooser must
# open on such an account without an alert.
#   demo_card_on_a_fresh_account.sh <source-dir> <build-dir> <list-backup-folders>
set -euo pipefail
src="$1"; build="$2"; list="$3"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

export QT_QPA_PLATFORM=offscreen
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_DOCUMENTS_DIR XDG_CONFIG_DIRS
# The card generator's encoded videos are kept between runs; they do not
# depend on the account. Where the card goes is the matter here, not its
# pictures: small ones are made in a moment.
export XDG_CACHE_HOME="$build/test-cache"
export KR_DEMO_CARD_SIZE=320x180

fresh_home() {
  export HOME="$scratch/$1"
  mkdir -p "$HOME"
}

# Placed by the script, then listed by the application.
fresh_home placed
bash "$src/scripts/demo-card.sh" "$build" >/dev/null
listed="$("$list")" || fail "the chooser alerted after the demo card was placed"
grep -qx KorveltaDemoCard <<<"$listed" || fail "the chooser lists [$listed], not the demo card"
# Nothing of the script's own in the backup: deleting it removes it whole.
own="$(find "$HOME" -path '*/KorveltaDemoCard/.*')"
[ -z "$own" ] || fail "the demo backup holds [$own]"

# Configured user folders are followed by both.
fresh_home configured
mkdir -p "$HOME/.config"
echo 'XDG_DOCUMENTS_DIR="$HOME/Papers"' >"$HOME/.config/user-dirs.dirs"
bash "$src/scripts/demo-card.sh" "$build" >/dev/null
[ -f "$HOME/Papers/KorveltaDemoCard/VREC_MOV_MNG.DAT" ] || fail "the demo card is not in the configured Documents folder"
listed="$("$list")" || fail "the chooser alerted with configured user folders"
grep -qx KorveltaDemoCard <<<"$listed" || fail "with configured user folders the chooser lists [$listed]"

# Nothing placed: an empty list, not "The folder ... doesn't exist.".
fresh_home untouched
listed="$("$list")" || fail "the chooser alerted on a fresh account"
[ -z "$listed" ] || fail "a fresh account lists [$listed]"
echo "ok"
