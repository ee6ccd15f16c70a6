#!/usr/bin/env bash
# The checks of the committed model data fail where they must, on a copy of the folder:
#  - as committed, the file check and the sample comparison pass;
#  - a file missing, a file not listed, a size or a checksum that disagrees: the file check fails;
#  - one bit changed in a sampled file, with the MANIFEST rewritten to match it: the file check
#    passes and the sample comparison fails, naming the file;
#  - a builder option that differs from the MANIFEST's: the full check fails before any training.
# Usage: check_models_test.sh REPO BUILD_DIR BUILDER   (the sample: BUILD_DIR/model-sample, made by
# scripts/check-models; made here when missing)
set -euo pipefail
repo="$1"
build="$2"
builder="$3"
check="$repo/scripts/check-models"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
failures=0
expect() { # expect pass|fail DESCRIPTION COMMAND...
  local want="$1" what="$2"
  shift 2
  if "$@" >"$tmp/out" 2>&1; then got=pass; else got=fail; fi
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: expected $want, got $got"
    sed 's/^/    /' "$tmp/out"
    failures=$((failures + 1))
  else
    echo "ok: $what ($want)"
  fi
}
fresh_copy() { rm -rf "$tmp/models"; cp -r "$repo/models" "$tmp/models"; }

sample="$build/model-sample"
if [ ! -f "$sample/SAMPLE" ]; then
  "$builder" --sample --out "$sample" >/dev/null
fi
compare() { "$builder" --check-sample "$tmp/models" --sample-from "$sample"; }

fresh_copy
expect pass "the committed files" "$check" --files "$tmp/models"
expect pass "the committed files against the sample" compare

fresh_copy
rm "$tmp/models/ravlinpre_rsd_b4_std.dat"
expect fail "a file missing" "$check" --files "$tmp/models"

fresh_copy
cp "$tmp/models/ravlinpre_eh_b4_std.dat" "$tmp/models/ravlinpre_eh_b4_std.dat.old"
expect fail "a file not listed" "$check" --files "$tmp/models"

fresh_copy
target="$tmp/models/ravlinpre_eh_b3_pca.dat.44100"
size="$(stat -c %s "$target")"
offset=$((size / 2))
byte="$(od -An -tu1 -j "$offset" -N1 "$target" | tr -d ' ')"
printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$target" bs=1 seek="$offset" conv=notrunc status=none
expect fail "one bit changed (checksum)" "$check" --files "$tmp/models"
"$repo/scripts/write-manifest" "$builder" "$tmp/models"
expect pass "one bit changed, MANIFEST rewritten (files)" "$check" --files "$tmp/models"
expect fail "one bit changed, MANIFEST rewritten (sample)" compare
grep -q "ravlinpre_eh_b3_pca.dat.44100" "$tmp/out" || { echo "FAIL: the sample comparison does not name the changed file"; failures=$((failures + 1)); }

fresh_copy
truncate -s -1 "$tmp/models/ravlinpre_eh_b1_pca.dat"
expect fail "a file cut short" "$check" --files "$tmp/models"

fresh_copy
sed -i 's/^options \(.*\) candidates \([0-9]*\)/options \1 candidates 9\2/' "$tmp/models/MANIFEST"
grep -q "candidates 9" "$tmp/models/MANIFEST" || { echo "FAIL: could not change the option in the copy"; exit 1; }
expect fail "a builder option that is not this builder's" env RAVLIN_BUILD_DIR="$build" "$check" "$tmp/models"
grep -q "options are not this builder's" "$tmp/out" || { echo "FAIL: the full check did not name the options"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "all model-data checks behave" || exit 1
