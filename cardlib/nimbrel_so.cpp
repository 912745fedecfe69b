// The shared library is nimbrel_core linked whole; this unit only anchors the target.
#include "nimbrel.h"
