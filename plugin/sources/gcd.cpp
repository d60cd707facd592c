#include "fract.h"
