#!/usr/bin/env bash
# Checks the built plug-in modules with tools that are not ours: lilv finds and describes the LV2
# bundle (name, ten parameters, twelve presets), the VST 2.4 module exports VSTPluginMain and the
# VST3 module its factory.  Usage: check_formats.sh <artefacts dir> <LV2 URI>
set -euo pipefail
dir=$1
uri=$2
fail() { echo "check_formats: $*" >&2; exit 1; }

export LV2_PATH="$dir/LV2"
lv2ls | grep -xF "$uri" >/dev/null || fail "lv2ls does not list $uri"
info=$(lv2info "$uri")
grep -q "Name: *RAVLIN Preamp v1.3" <<<"$info" || fail "lv2info does not show the name"
presets=$(grep -c "[0-9]* default$" <<<"$info" || true)
[[ $presets -eq 12 ]] || fail "lv2info shows $presets presets, expected 12"
params=$(grep -c "a lv2:Parameter" "$dir/LV2/RavlinPreamp.lv2/dsp.ttl" || true)
[[ $params -eq 10 ]] || fail "dsp.ttl declares $params parameters, expected 10"
for id in dualTriodes input gain treble middle bass output oversampling monoStereo showSettings; do
  grep -q "$id" "$dir/LV2/RavlinPreamp.lv2/dsp.ttl" || fail "parameter $id missing from dsp.ttl"
done

nm -D --defined-only "$dir/VST/libRavlinPreamp.so" | grep -w VSTPluginMain >/dev/null || fail "VST2 module lacks VSTPluginMain"
vst3=$(find "$dir/VST3/RavlinPreamp.vst3" -name '*.so' | head -n 1)
[[ -n $vst3 ]] || fail "no VST3 module"
nm -D --defined-only "$vst3" | grep -w GetPluginFactory >/dev/null || fail "VST3 module lacks GetPluginFactory"
[[ -x $dir/Standalone/RavlinPreamp ]] || fail "no Standalone program"
echo "check_formats: LV2, VST2, VST3 and Standalone modules look right"
