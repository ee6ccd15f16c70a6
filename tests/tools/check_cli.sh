#!/usr/bin/env bash
# check_cli.sh TOOL [MALFORMED ARGUMENT...]
# The command-line contract every tool keeps: --help prints the usage on stdout and exits 0; an
# unknown option, and the given malformed arguments, exit non-zero with exactly one line on stderr
# that names the offending option, and nothing on stdout.
set -u
tool="$1"
shift
name="$(basename "$tool")"
out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
failed=0
fail() {
  echo "FAIL: $name $*" >&2
  failed=1
}

"$tool" --help >"$out" 2>"$err"
rc=$?
[ "$rc" -eq 0 ] || fail "--help exits $rc"
grep -qi "usage" "$out" || fail "--help prints no usage: $(head -c 300 "$out")"
[ -s "$err" ] && fail "--help writes to stderr: $(cat "$err")"

refuse() {
  local what="$1" needle="$2"
  shift 2
  "$tool" "$@" >"$out" 2>"$err" </dev/null
  local code=$?
  [ "$code" -ne 0 ] || fail "$what ($*) exits 0"
  [ "$(wc -l <"$err")" -eq 1 ] || fail "$what ($*) prints $(wc -l <"$err") lines on stderr: $(cat "$err")"
  grep -q -- "$needle" "$err" || fail "$what ($*) does not name $needle: $(cat "$err")"
  [ -s "$out" ] && fail "$what ($*) writes to stdout: $(head -c 300 "$out")"
  echo "$name $*: $(cat "$err")"
}

refuse "an unknown option" "--no-such-option" --no-such-option
if [ $# -gt 0 ]; then
  refuse "a malformed value" "$1" "$@"
fi
[ "$failed" -eq 0 ] && echo "cli contract of $name: 1 passed, 0 failed"
exit "$failed"
