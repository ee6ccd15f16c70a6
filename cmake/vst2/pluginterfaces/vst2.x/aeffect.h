#pragma once
// VST 2.4 interface for the framework's VST wrapper, from the clean-room headers of Debian's fst-dev.
#include <pluginterfaces/fst/aeffect.h>
