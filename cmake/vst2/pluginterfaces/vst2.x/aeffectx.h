#pragma once
// VST 2.4 extended interface for the framework's VST wrapper: the same fst-dev headers, read once
// with the corrections in aeffect.h.
#include "aeffect.h"
