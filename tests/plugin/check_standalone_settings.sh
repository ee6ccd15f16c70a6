#!/usr/bin/env bash
# The Standalone application with a damaged settings file: it must set the file aside, say so on
# stderr and open its window (the framework's XML parser, handed the damaged text, loops forever).
#   check_standalone_settings.sh <Standalone program>
set -euo pipefail
program="$1"
fail() { echo "check_standalone_settings: $*" >&2; exit 1; }
[[ -x $program ]] || fail "no Standalone program at $program"
command -v xvfb-run >/dev/null || { echo "check_standalone_settings: xvfb-run missing, skipped"; exit 0; }

home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config"
# The framework names the file after the program with its last dot part replaced by ".settings".
settings="$home/.config/RAVLIN Preamp v1.settings"

# Starts the program in a virtual display and waits up to 30 s for its window; true when it opened.
opens_window() {
  rm -f "$home/window"
  HOME="$home" xvfb-run -a -s "-screen 0 1024x768x24" \
    sh -c '"$0" >"$1/out.txt" 2>&1 & app=$!
           for i in $(seq 1 300); do
             if xwininfo -root -tree 2>/dev/null | grep -q "RAVLIN Preamp v1.3"; then echo shown >"$1/window"; break; fi
             kill -0 "$app" 2>/dev/null || break
             sleep 0.1
           done
           kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; exit 0' "$program" "$home" || true
  [[ -f $home/window ]]
}

# 1. A closed processing instruction, text, then an unterminated one inside the root element: the
#    framework's parser never returns from this text.
printf '<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES><VALUE name="x" val="1"/><?x?>@<?P>' >"$settings"
cp "$settings" "$home/expected"
opens_window || { cat "$home/out.txt" >&2 || true; fail "the window never opened (hung on the settings file?)"; }
[[ -f "$settings.damaged" ]] || fail "the damaged settings file was not set aside"
cmp -s "$settings.damaged" "$home/expected" || fail "the set-aside file does not hold the damaged bytes"
grep -q "settings file .* is damaged" "$home/out.txt" || fail "no word on stderr about the damaged settings"

# 2. A well-formed settings file whose stored audio set-up (XML text inside a value, parsed on its
#    own) has the same shape: the value is dropped, the rest of the file kept.
rm -f "$settings" "$settings.damaged"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<PROPERTIES><VALUE name="audioSetup" val="&lt;a&gt;&lt;?p?&gt;@&lt;?P&gt;"/></PROPERTIES>\n' >"$settings"
opens_window || { cat "$home/out.txt" >&2 || true; fail "the window never opened (hung on the stored audio set-up?)"; }
[[ ! -f "$settings.damaged" ]] || fail "a well-formed settings file was set aside"
echo "check_standalone_settings: damaged settings set aside, damaged audio set-up dropped, window opened both times"
