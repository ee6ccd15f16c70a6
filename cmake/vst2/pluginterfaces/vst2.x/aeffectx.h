#pragma once
// VST 2.4 extended interface for the framework's VST wrapper, from Debian's fst-dev headers.
#include <pluginterfaces/fst/aeffectx.h>
