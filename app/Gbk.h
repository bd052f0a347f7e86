#pragma once

// Moved to web/Gbk.h; kept until deepmining/ includes it from there.
#include "web/Gbk.h"
